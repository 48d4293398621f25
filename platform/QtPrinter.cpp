// Real printers through Qt's print support over CUPS.
#include "platform/Printer.h"

#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace platform {
namespace {

class QtPrinter : public Printer, private Canvas {
public:
    explicit QtPrinter(const QPrinterInfo& info) : m_printer(info, QPrinter::HighResolution) { }

    QString Name() const override { return m_printer.printerName(); }

    PageMetrics Metrics() const override
    {
        if (!m_printer.isValid())
            throw PrinterError("The printer " + Name().toStdString() + " cannot be queried");
        // The printable area in device dots; its top-left corner is also its distance from the paper's
        // edges because the paper rectangle starts at the origin.
        const QRect page = m_printer.pageLayout().paintRectPixels(m_printer.resolution());
        PageMetrics m;
        m.pageWidth = page.width();
        m.pageHeight = page.height();
        m.offsetX = page.left();
        m.offsetY = page.top();
        m.dpiX = m_printer.logicalDpiX();
        m.dpiY = m_printer.logicalDpiY();
        if (m.dpiX <= 0 || m.dpiY <= 0 || m.pageWidth <= 0 || m.pageHeight <= 0)
            throw PrinterError("The printer " + Name().toStdString() + " reports no usable page");
        return m;
    }

    Canvas& BeginJob(const QString& title) override
    {
        if (m_painter.isActive())
            throw PrinterError("A print job is already running on " + Name().toStdString());
        m_printer.setDocName(title);
        m_printer.setFullPage(false);
        if (!m_painter.begin(&m_printer))
            throw PrinterError("The print job could not be started on " + Name().toStdString());
        return *this;
    }

    void EndJob() override
    {
        if (!m_painter.isActive())
            throw PrinterError("No print job is running on " + Name().toStdString());
        const bool ok = m_painter.end();
        if (!ok || m_printer.printerState() == QPrinter::Error)
            throw PrinterError("The print job could not be sent to " + Name().toStdString());
    }

private:
    void DrawBitmap(int x, int y, const QImage& bitmap) override
    {
        // The same QImage drawn at every place keeps one cache key, so the print stream embeds it once.
        m_painter.drawImage(QPoint(x, y), bitmap);
    }

    QPrinter m_printer;
    QPainter m_painter;
};

}  // namespace

QStringList InstalledPrinters()
{
    return QPrinterInfo::availablePrinterNames();
}

QString DefaultPrinterName()
{
    return QPrinterInfo::defaultPrinterName();
}

std::unique_ptr<Printer> OpenPrinter(const QString& name)
{
    const QString wanted = name.isEmpty() ? DefaultPrinterName() : name;
    if (wanted.isEmpty())
        throw PrinterError("No printer is installed");
    const QPrinterInfo info = QPrinterInfo::printerInfo(wanted);
    if (info.isNull())
        throw PrinterError("Unknown printer: " + wanted.toStdString());
    return std::make_unique<QtPrinter>(info);
}

}  // namespace platform
