// The program's message boxes: a fixed caption and icon for each kind of message, a fixed set of buttons.
#include "app/U_MsgDlg.h"

#include <QApplication>
#include <QWidget>

#include <utility>

namespace {

MessageBoxAnswerer& Answerer()
{
    static MessageBoxAnswerer answerer;
    return answerer;
}

int ResultOf(QMessageBox::StandardButton button)
{
    switch (button) {
    case QMessageBox::Ok: return kMsgOk;
    case QMessageBox::Cancel: return kMsgCancel;
    case QMessageBox::Yes: return kMsgYes;
    case QMessageBox::No: return kMsgNo;
    default: return kMsgNone;
    }
}

// The first button of a set, which is the default one as on every box of the program.
QMessageBox::StandardButton FirstButton(QMessageBox::StandardButtons buttons)
{
    return buttons.testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok;
}

// Shows a box set up by the caller, or hands it to the test answerer; gives the button pressed.
int Run(QMessageBox& box)
{
    if (const MessageBoxAnswerer& answerer = Answerer())
        return ResultOf(answerer(box));
    box.exec();
    return ResultOf(box.standardButton(box.clickedButton()));
}

// Builds a box modal to `owner`'s window. Texts are shown as they are: a "<" in a file name or a
// translation must not turn the message into markup.
int ShowBox(QWidget* owner, const QString& text, const QString& caption, QMessageBox::Icon icon,
    QMessageBox::StandardButtons buttons)
{
    // Widgets need a QApplication; without one there is no box to show.
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return kMsgNone;
    QWidget* parent = owner ? owner->window() : nullptr;
    QMessageBox box(icon, caption, text, buttons, parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(FirstButton(buttons));
    if (parent)
        box.setWindowModality(Qt::WindowModal);
    return Run(box);
}

} // namespace

QMessageBox::StandardButtons MessageBoxButtons(quint8 buttonSet)
{
    switch (buttonSet) {
    case 1: return QMessageBox::Yes | QMessageBox::No;
    case 2: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case 3: return QMessageBox::Ok | QMessageBox::Cancel;
    default: return QMessageBox::Ok;
    }
}

QString MessageBoxCaption(quint8 kind)
{
    switch (kind) {
    case 0: return QStringLiteral("Message");
    case 1: return QStringLiteral("Warning");
    case 2: return QStringLiteral("Error");
    case 3: return QStringLiteral("Question");
    case 4: return QStringLiteral("Information");
    default: return QString();
    }
}

QMessageBox::Icon MessageBoxIcon(quint8 kind)
{
    switch (kind) {
    case 1: return QMessageBox::Warning;
    case 2: return QMessageBox::Critical;
    case 3: return QMessageBox::Question;
    case 4: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

int ShowMessageBox(QWidget* owner, const QString& text, quint8 buttonSet, quint8 kind)
{
    return ShowBox(owner, text, MessageBoxCaption(kind), MessageBoxIcon(kind), MessageBoxButtons(buttonSet));
}

int AskYesNo(QWidget* owner, const QString& text)
{
    return ShowMessageBox(owner, text, 1, 3);
}

void ShowPlainMessage(const QString& text, QWidget* owner)
{
    ShowBox(owner, text, QGuiApplication::applicationDisplayName(), QMessageBox::NoIcon, QMessageBox::Ok);
}

MessageBoxAnswerer SetMessageBoxAnswerer(MessageBoxAnswerer answerer)
{
    return std::exchange(Answerer(), std::move(answerer));
}
