// Program entry of Brevlin.
#include "app/U_MainDlgTexts.h"
#include "lang/C_TextStorage.h"
#include "platform/Printer.h"
#include "sheet/IDPrinter.h"
#include "sheet/PhotoFormats.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brevlin"));
    QApplication::setApplicationVersion(QStringLiteral(BREVLIN_VERSION));

    QWidget window;
    window.setObjectName(QStringLiteral("MainDlg"));
    window.setWindowTitle(QStringLiteral("Brevlin v" BREVLIN_VERSION));
    auto* mainTs = new TTextStorage(&window, QStringLiteral("main_ts"), MainDlgBuiltInTexts());

    std::unique_ptr<platform::Printer> printer;
    try {
        printer = platform::OpenPrinter({});
    } catch (const platform::PrinterError&) {
        QMessageBox::critical(nullptr, QStringLiteral("Error"), mainTs->Translate(MainDlgBuiltInTexts()[0]));
        return 0;
    }
    TIDPrinter engine(*printer);

    auto* layout = new QVBoxLayout(&window);
    auto* formats = new QComboBox(&window);
    formats->setObjectName(QStringLiteral("format_cmb"));
    formats->addItems(BuildFormatLabels([&](const QString& text) { return mainTs->Translate(text); }));
    auto* capacity = new QLabel(&window);
    layout->addWidget(formats);
    layout->addWidget(capacity);
    const auto showFormat = [&](int index) {
        const auto format = ParseFormatLabel(formats->itemText(index));
        if (!format)
            return;
        const SizeMm size = SheetSizeMm(*format);
        engine.SetPhotoSize(size.width, size.height);
        capacity->setText(QStringLiteral("%1: %2 photos of %3 x %4 mm a sheet")
                              .arg(printer->Name())
                              .arg(engine.Capacity())
                              .arg(size.width)
                              .arg(size.height));
    };
    QObject::connect(formats, &QComboBox::currentIndexChanged, &window, showFormat);
    formats->setCurrentIndex(kDefaultFormatIndex);
    showFormat(kDefaultFormatIndex);
    window.show();
    return app.exec();
}
