// Tests of the message boxes: captions, icons and buttons per kind and set, answers, and one real box.
#include "app/U_MsgDlg.h"

#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <QVBoxLayout>

#include <optional>

namespace {

// What a box looked like when it was answered.
struct SeenBox {
    QString caption;
    QString text;
    Qt::TextFormat textFormat = Qt::AutoText;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QWidget* parent = nullptr;
    Qt::WindowModality modality = Qt::NonModal;
};

// Answers every box with `answer` while it lives and keeps what the boxes looked like.
class Answering {
public:
    explicit Answering(QMessageBox::StandardButton answer)
    {
        m_previous = SetMessageBoxAnswerer([this, answer](QMessageBox& box) {
            QPushButton* defaultButton = box.defaultButton();
            seen.push_back({ box.windowTitle(), box.text(), box.textFormat(), box.icon(), box.standardButtons(),
                defaultButton ? box.standardButton(defaultButton) : QMessageBox::NoButton, box.parentWidget(),
                box.windowModality() });
            return answer;
        });
    }
    ~Answering() { SetMessageBoxAnswerer(std::move(m_previous)); }
    Answering(const Answering&) = delete;
    Answering& operator=(const Answering&) = delete;

    const SeenBox& Only() const
    {
        if (seen.size() != 1)
            qFatal("expected exactly one box, got %d", int(seen.size()));
        return seen.front();
    }

    std::vector<SeenBox> seen;

private:
    MessageBoxAnswerer m_previous;
};

// Translates every text of the program into something else, to show which texts are never translated.
class EverythingTranslator : public QTranslator {
public:
    bool isEmpty() const override { return false; }
    QString translate(const char*, const char*, const char*, int) const override { return QStringLiteral("XX"); }
};

using Buttons = QMessageBox::StandardButtons;
using MB = QMessageBox;

} // namespace

class TestMsgDlg : public QObject {
    Q_OBJECT

public:
    explicit TestMsgDlg(int resultWithoutApplication)
        : m_resultWithoutApplication(resultWithoutApplication)
    {
    }

private slots:
    void noBoxWithoutAnApplication() { QCOMPARE(m_resultWithoutApplication, kMsgNone); }

    void showMessageBox_data()
    {
        QTest::addColumn<int>("buttonSet");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QMessageBox::Icon>("icon");
        QTest::addColumn<Buttons>("buttons");
        QTest::addColumn<QMessageBox::StandardButton>("defaultButton");
        QTest::addColumn<int>("result");
        const Buttons ok = QMessageBox::Ok;
        const Buttons yesNo = QMessageBox::Yes | QMessageBox::No;
        const Buttons yesNoCan = yesNo | QMessageBox::Cancel;
        const Buttons okCancel = QMessageBox::Ok | QMessageBox::Cancel;
        // clang-format off
        QTest::newRow("message")       << 0 << 0 << MB::Ok << "Message" << MB::NoIcon << ok << MB::Ok << 1;
        QTest::newRow("warning")       << 0 << 1 << MB::Ok << "Warning" << MB::Warning << ok << MB::Ok << 1;
        QTest::newRow("error")         << 0 << 2 << MB::Ok << "Error" << MB::Critical << ok << MB::Ok << 1;
        QTest::newRow("information")   << 0 << 4 << MB::Ok << "Information" << MB::Information << ok << MB::Ok << 1;
        QTest::newRow("yes/no, yes")   << 1 << 3 << MB::Yes << "Question" << MB::Question << yesNo << MB::Yes << 6;
        QTest::newRow("yes/no, no")    << 1 << 3 << MB::No << "Question" << MB::Question << yesNo << MB::Yes << 7;
        QTest::newRow("yes/no/cancel") << 2 << 1 << MB::Cancel << "Warning" << MB::Warning << yesNoCan << MB::Yes << 2;
        QTest::newRow("ok/cancel")     << 3 << 2 << MB::Cancel << "Error" << MB::Critical << okCancel << MB::Ok << 2;
        QTest::newRow("kind 9")        << 0 << 9 << MB::Ok << "" << MB::NoIcon << ok << MB::Ok << 1;
        QTest::newRow("kind 255")      << 1 << 255 << MB::No << "" << MB::NoIcon << yesNo << MB::Yes << 7;
        QTest::newRow("button set 7")  << 7 << 4 << MB::Ok << "Information" << MB::Information << ok << MB::Ok << 1;
        QTest::newRow("button set 4")  << 4 << 0 << MB::Ok << "Message" << MB::NoIcon << ok << MB::Ok << 1;
        QTest::newRow("box not shown") << 1 << 3 << MB::NoButton << "Question" << MB::Question << yesNo << MB::Yes << 0;
        // clang-format on
    }

    void showMessageBox()
    {
        QFETCH(int, buttonSet);
        QFETCH(int, kind);
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(QString, caption);
        QFETCH(QMessageBox::Icon, icon);
        QFETCH(Buttons, buttons);
        QFETCH(QMessageBox::StandardButton, defaultButton);
        QFETCH(int, result);
        Answering answering(answer);
        QCOMPARE(
            ShowMessageBox(nullptr, QStringLiteral("Load a picture first"), quint8(buttonSet), quint8(kind)), result);
        const SeenBox& box = answering.Only();
        QCOMPARE(box.caption, caption);
        QCOMPARE(box.icon, icon);
        QCOMPARE(box.buttons, buttons);
        QCOMPARE(box.defaultButton, defaultButton);
        QCOMPARE(box.text, QString("Load a picture first"));
    }

    void askYesNo_data()
    {
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<int>("result");
        QTest::newRow("yes") << QMessageBox::Yes << 6;
        QTest::newRow("no") << QMessageBox::No << 7;
        QTest::newRow("not shown") << QMessageBox::NoButton << 0;
    }

    void askYesNo()
    {
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(int, result);
        Answering answering(answer);
        QCOMPARE(AskYesNo(nullptr, QStringLiteral("Download now ?")), result);
        QCOMPARE(answering.Only().caption, QString("Question"));
        QCOMPARE(answering.Only().icon, QMessageBox::Question);
        QCOMPARE(answering.Only().buttons, Buttons(QMessageBox::Yes | QMessageBox::No));
    }

    void boxBelongsToTheOwnersWindow()
    {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* button = new QWidget(&window);
        layout->addWidget(button);
        Answering answering(QMessageBox::Ok);
        ShowMessageBox(button, QStringLiteral("Done !"), 0, 4);
        ShowMessageBox(nullptr, QStringLiteral("Done !"), 0, 4);
        QCOMPARE(answering.seen.size(), size_t(2));
        QCOMPARE(answering.seen[0].parent, &window);
        QCOMPARE(answering.seen[0].modality, Qt::WindowModal);
        QCOMPARE(answering.seen[1].parent, nullptr);
    }

    void textShownAsItIs()
    {
        const QString text = QStringLiteral("Cannot open <b>photo</b> & \"x\".jpg");
        Answering answering(QMessageBox::Ok);
        ShowMessageBox(nullptr, text, 0, 2);
        ShowPlainMessage(text);
        for (const SeenBox& box : answering.seen) {
            QCOMPARE(box.text, text);
            QCOMPARE(box.textFormat, Qt::PlainText);
        }
    }

    void plainMessage()
    {
        Answering answering(QMessageBox::Ok);
        ShowPlainMessage(QStringLiteral("Incorrect aspect ratio. Picture may be deformed"));
        const SeenBox& box = answering.Only();
        QCOMPARE(box.caption, QString("Brevlin"));
        QCOMPARE(box.icon, QMessageBox::NoIcon);
        QCOMPARE(box.buttons, Buttons(QMessageBox::Ok));
        QCOMPARE(box.text, QString("Incorrect aspect ratio. Picture may be deformed"));
    }

    void captionsStayEnglish()
    {
        EverythingTranslator translator;
        QVERIFY(QCoreApplication::installTranslator(&translator));
        QCOMPARE(QCoreApplication::translate("QMessageBox", "Error"), QString("XX"));
        Answering answering(QMessageBox::Ok);
        for (quint8 kind = 0; kind <= 4; ++kind)
            ShowMessageBox(nullptr, QStringLiteral("x"), 0, kind);
        QCoreApplication::removeTranslator(&translator);
        QStringList captions;
        for (const SeenBox& box : answering.seen)
            captions << box.caption;
        QCOMPARE(captions, QStringList({ "Message", "Warning", "Error", "Question", "Information" }));
    }

    void realBox_data()
    {
        QTest::addColumn<int>("buttonSet");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("result");
        QTest::newRow("OK, Return") << 0 << int(Qt::Key_Return) << 1;
        QTest::newRow("OK, Escape") << 0 << int(Qt::Key_Escape) << 1;
        QTest::newRow("Yes/No, Return takes the first button") << 1 << int(Qt::Key_Return) << 6;
        QTest::newRow("Yes/No, Escape is No") << 1 << int(Qt::Key_Escape) << 7;
        QTest::newRow("Yes/No/Cancel, Escape") << 2 << int(Qt::Key_Escape) << 2;
        QTest::newRow("OK/Cancel, Return") << 3 << int(Qt::Key_Return) << 1;
    }

    // No answerer: the box really runs its modal loop and is answered from the keyboard.
    void realBox()
    {
        QFETCH(int, buttonSet);
        QFETCH(int, key);
        QFETCH(int, result);
        QWidget window;
        window.resize(300, 200);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QPointer<QMessageBox> shown;
        QString caption;
        QTimer::singleShot(0, &window, [&] {
            // The box appears once its modal loop runs; wait for it, then press the key.
            QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<QMessageBox*>(QApplication::activeModalWidget()), 5000);
            shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            caption = shown->windowTitle();
            QVERIFY(QTest::qWaitForWindowExposed(shown));
            QTest::keyClick(shown, Qt::Key(key));
        });
        // Should the key not close it, end the box with no button so the test fails instead of hanging.
        QTimer::singleShot(10000, &window, [&] {
            if (shown)
                shown->done(-1);
        });
        QCOMPARE(ShowMessageBox(&window, QStringLiteral("Done !"), quint8(buttonSet), 4), result);
        QCOMPARE(caption, QString("Information"));
        QVERIFY(!QApplication::activeModalWidget());
    }

private:
    int m_resultWithoutApplication;
};

int main(int argc, char** argv)
{
    // Before the application exists there is nothing to show a box with: the result says so.
    const int withoutApplication = ShowMessageBox(nullptr, QStringLiteral("Done !"), 0, 4);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brevlin"));
    TestMsgDlg test(withoutApplication);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_msgdlg.moc"
