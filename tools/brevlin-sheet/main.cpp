// brevlin-sheet: the sheet engine from the command line, for print kiosks, scripts and photo labs.
#include "platform/Printer.h"
#include "platform/VirtualPage.h"
#include "sheet/Adjustments.h"
#include "sheet/IDPrinter.h"
#include "sheet/PhotoFormats.h"
#include "sheet/PictureFile.h"
#include "sheet/Resample.h"
#include "sheet/SheetRenderer.h"
#include "sheet/SheetWriter.h"
#include "tools/brevlin-sheet/PageSpec.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>

#include <cstdio>
#include <memory>
#include <stdexcept>

namespace {

constexpr const char* kUsage = R"(usage:
  brevlin-sheet formats
  brevlin-sheet layout --format N [--count N] PAGE
  brevlin-sheet make PICTURE --format N [--count N] [--keep-proportions] [--rotate K]
                [--greyscale | --sepia] PAGE -o OUT(.jpg|.png|.bmp|.pdf)
  brevlin-sheet print PICTURE --format N [--count N] [--keep-proportions] [--rotate K]
                [--greyscale | --sepia] [--printer NAME]
PAGE:
  --printer NAME
  --page-dots W,H --offset-dots X,Y --dpi X[,Y]
  --paper A4|A5|Letter|Legal|10x15cm|13x18cm|4x6in|5x7in|<W>x<H>mm|<W>x<H>in --dpi D [--margin-mm M]
)";

// Bad input: one line on stderr and exit status 2.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const QString& message)
{
    throw UsageError(message.toStdString());
}

struct Options {
    QString command;
    QString picture;
    QString output;
    std::optional<int> format;
    std::optional<int> count;
    bool keepProportions = false;
    int rotate = 0;
    bool greyscale = false;
    bool sepia = false;
    std::optional<QString> printer;
    std::optional<QString> pageDots;
    std::optional<QString> offsetDots;
    std::optional<QString> dpi;
    std::optional<QString> paper;
    std::optional<QString> marginMm;
};

int ToInt(const QString& text, const char* option)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok)
        Fail(QStringLiteral("%1 needs a whole number, not \"%2\"").arg(QLatin1String(option), text));
    return value;
}

Options ParseArguments(const QStringList& args)
{
    Options o;
    if (args.isEmpty())
        Fail(QStringLiteral("no command given"));
    o.command = args[0];
    const bool takesPicture = o.command == QLatin1String("make") || o.command == QLatin1String("print");
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        const auto value = [&]() -> QString {
            if (i + 1 >= args.size())
                Fail(QStringLiteral("%1 needs a value").arg(arg));
            return args[++i];
        };
        if (arg == QLatin1String("--format"))
            o.format = ToInt(value(), "--format");
        else if (arg == QLatin1String("--count"))
            o.count = ToInt(value(), "--count");
        else if (arg == QLatin1String("--rotate"))
            o.rotate = ToInt(value(), "--rotate");
        else if (arg == QLatin1String("--keep-proportions"))
            o.keepProportions = true;
        else if (arg == QLatin1String("--greyscale") || arg == QLatin1String("--grayscale"))
            o.greyscale = true;
        else if (arg == QLatin1String("--sepia"))
            o.sepia = true;
        else if (arg == QLatin1String("--printer"))
            o.printer = value();
        else if (arg == QLatin1String("--page-dots"))
            o.pageDots = value();
        else if (arg == QLatin1String("--offset-dots"))
            o.offsetDots = value();
        else if (arg == QLatin1String("--dpi"))
            o.dpi = value();
        else if (arg == QLatin1String("--paper"))
            o.paper = value();
        else if (arg == QLatin1String("--margin-mm"))
            o.marginMm = value();
        else if (arg == QLatin1String("-o") || arg == QLatin1String("--output"))
            o.output = value();
        else if (takesPicture && o.picture.isEmpty() && !arg.startsWith(QLatin1Char('-')))
            o.picture = arg;
        else
            Fail(QStringLiteral("unexpected argument \"%1\"").arg(arg));
    }
    if (o.greyscale && o.sepia)
        Fail(QStringLiteral("--greyscale and --sepia exclude each other"));
    if (o.count && *o.count < 0)
        Fail(QStringLiteral("--count cannot be negative"));
    if (o.format && (*o.format < 0 || *o.format >= kFormatCount))
        Fail(QStringLiteral("unknown format %1: the formats are numbered 0 to %2 (see \"brevlin-sheet formats\")")
                 .arg(*o.format)
                 .arg(kFormatCount - 1));
    return o;
}

QString BuiltIn(const QString& text)
{
    return text;
}

SizeMm FormatSizeMm(int index)
{
    const auto format = ParseFormatLabel(FormatLabel(kPhotoFormats[index], BuiltIn));
    if (!format)
        Fail(QStringLiteral("the label of format %1 cannot be read").arg(index));
    return SheetSizeMm(*format);
}

// The page the sheet goes on, and whether that page is the whole paper (a paper size) or the printable
// area of a printer inside its paper.
struct Page {
    std::unique_ptr<platform::Printer> printer;
    bool wholePaper = false;
};

Page MakePage(const Options& o, bool printing)
{
    const int kinds = int(o.printer.has_value()) + int(o.pageDots.has_value()) + int(o.paper.has_value());
    if (kinds > 1)
        Fail(QStringLiteral("give one page: --printer, --page-dots or --paper"));
    if (kinds == 0 && !printing)
        Fail(QStringLiteral("no page given: --printer, --page-dots or --paper"));
    if (printing || o.printer) {
        if (o.pageDots || o.paper)
            Fail(QStringLiteral("print goes to a printer: --page-dots and --paper do not apply"));
        try {
            Page page { platform::OpenPrinter(o.printer.value_or(QString())), false };
            page.printer->Metrics();
            return page;
        } catch (const platform::PrinterError& error) {
            Fail(QString::fromStdString(error.what()));
        }
    }
    if (!o.dpi)
        Fail(QStringLiteral("the page needs --dpi"));
    const auto dpi = ParseDpi(*o.dpi);
    if (!dpi)
        Fail(QStringLiteral("--dpi needs one or two resolutions from 1 to 9600, not \"%1\"").arg(*o.dpi));
    platform::PageMetrics m;
    m.dpiX = dpi->first;
    m.dpiY = dpi->second;
    if (o.pageDots) {
        const auto size = ParsePair(*o.pageDots);
        if (!size || size->first <= 0 || size->second <= 0)
            Fail(QStringLiteral("--page-dots needs W,H in dots, not \"%1\"").arg(*o.pageDots));
        const auto offset = o.offsetDots ? ParsePair(*o.offsetDots) : std::optional(std::pair { 0, 0 });
        if (!offset || offset->first < 0 || offset->second < 0)
            Fail(QStringLiteral("--offset-dots needs X,Y in dots, not \"%1\"").arg(o.offsetDots.value_or(QString())));
        m.pageWidth = size->first;
        m.pageHeight = size->second;
        m.offsetX = offset->first;
        m.offsetY = offset->second;
    } else if (o.paper) {
        const auto paper = ParsePaper(*o.paper);
        if (!paper)
            Fail(QStringLiteral("unknown paper \"%1\"").arg(*o.paper));
        double margin = 0;
        if (o.marginMm) {
            bool ok = false;
            margin = o.marginMm->toDouble(&ok);
            if (!ok || margin < 0)
                Fail(QStringLiteral("--margin-mm needs a length in millimetres, not \"%1\"").arg(*o.marginMm));
        }
        m.pageWidth = PaperDots(paper->width, paper->inches, m.dpiX);
        m.pageHeight = PaperDots(paper->height, paper->inches, m.dpiY);
        m.offsetX = PaperDots(margin, false, m.dpiX);
        m.offsetY = PaperDots(margin, false, m.dpiY);
    }
    // Two hundred thousand dots is over four metres at 1200 dpi: anything larger is a typing error.
    if (m.pageWidth > 200000 || m.pageHeight > 200000)
        Fail(QStringLiteral("the page of %1 x %2 dots is too large").arg(m.pageWidth).arg(m.pageHeight));
    return { std::make_unique<platform::VirtualPage>(m), o.paper.has_value() };
}

// The engine for the page, sized for the format, with Count set (the capacity unless --count).
std::unique_ptr<TIDPrinter> MakeEngine(const Options& o, platform::Printer& printer)
{
    if (!o.format)
        Fail(QStringLiteral("--format is required"));
    const SizeMm size = FormatSizeMm(*o.format);
    const platform::PageMetrics m = printer.Metrics();
    const qint64 photoPixels = qint64(MmToDots(size.width, m.dpiX)) * MmToDots(size.height, m.dpiY);
    if (photoPixels > kMaxPicturePixels)
        Fail(QStringLiteral("a photo at %1 x %2 dpi would be too large").arg(m.dpiX).arg(m.dpiY));
    auto engine = std::make_unique<TIDPrinter>(printer);
    engine->SetPhotoSize(size.width, size.height);
    if (engine->Capacity() == 0)
        Fail(QStringLiteral("the page is too small for one photo of %1 x %2 mm").arg(size.width).arg(size.height));
    engine->SetCount(o.count.value_or(engine->Capacity()));
    return engine;
}

int Layout(const Options& o)
{
    Page page = MakePage(o, false);
    auto engine = MakeEngine(o, *page.printer);
    engine->UpdateMetrics();
    const SheetLayout layout = engine->Layout();
    // Keys in a fixed order, as scripts that read this line expect them.
    const auto pair = [](int a, int b) { return QStringLiteral("[%1,%2]").arg(a).arg(b); };
    QStringList places;
    for (const QPoint& place : layout.places)
        places << pair(place.x(), place.y());
    const QString json = QStringLiteral("{\"dpi\":%1,\"page_dots\":%2,\"offset_dots\":%3,\"area_dots\":%4,"
                                        "\"photo_dots\":%5,\"columns\":%6,\"rows\":%7,\"capacity\":%8,"
                                        "\"gap_dots\":%9,\"places\":[%10]}")
                             .arg(pair(layout.page.dpiX, layout.page.dpiY),
                                 pair(layout.page.pageWidth, layout.page.pageHeight),
                                 pair(layout.page.offsetX, layout.page.offsetY),
                                 pair(engine->AreaWidth(), engine->AreaHeight()),
                                 pair(layout.photoWidth, layout.photoHeight), QString::number(layout.columns),
                                 QString::number(layout.rows), QString::number(layout.Capacity()),
                                 pair(layout.gapX, layout.gapY))
                             .arg(places.join(QLatin1Char(',')));
    std::printf("%s\n", json.toUtf8().constData());
    return 0;
}

// With BREVLIN_TIMING set, each stage of a sheet reports its wall time on stderr.
void Stage(const char* name)
{
    static const bool enabled = qEnvironmentVariableIsSet("BREVLIN_TIMING");
    static QElapsedTimer clock;
    if (!enabled)
        return;
    if (!clock.isValid())
        clock.start();
    std::fprintf(stderr, "%8.1f ms  %s\n", clock.nsecsElapsed() / 1e6, name);
    clock.restart();
}

// Loads the picture and paints the engine's photo with it, adjusted as asked.
void PaintPhoto(const Options& o, TIDPrinter& engine)
{
    if (o.picture.isEmpty())
        Fail(QStringLiteral("no picture given"));
    engine.UpdateMetrics();
    QSize atLeast = engine.Photo().size();
    const int turns = ((o.rotate % 4) + 4) % 4;
    if (turns % 2)
        atLeast.transpose();
    Stage("start");
    PictureResult loaded = LoadPictureFile(o.picture, atLeast);
    if (loaded.picture.isNull())
        Fail(loaded.error);
    Stage("picture decoded");
    QImage picture = std::move(loaded.picture);
    if (o.greyscale)
        ApplyGreyscale(picture);
    if (o.sepia)
        ApplySepia(picture);
    for (int i = 0; i < turns; ++i)
        picture = RotateQuarter(picture);
    FillPhoto(engine.Photo(), picture, !o.keepProportions);
    Stage("photo resampled");
}

int Make(const Options& o)
{
    if (o.output.isEmpty())
        Fail(QStringLiteral("make needs -o OUT"));
    const auto type = SheetFileTypeFor(o.output);
    if (!type)
        Fail(QStringLiteral("the output must end in .jpg, .jpeg, .png, .bmp or .pdf: %1").arg(o.output));
    Page page = MakePage(o, false);
    auto engine = MakeEngine(o, *page.printer);
    PaintPhoto(o, *engine);
    const SheetRenderer renderer(engine->Layout(), engine->Photo());
    const QString error = WriteSheetFile(o.output, *type, renderer, page.wholePaper);
    if (!error.isEmpty())
        Fail(error);
    Stage("sheet written");
    return 0;
}

int Print(const Options& o)
{
    Page page = MakePage(o, true);
    auto engine = MakeEngine(o, *page.printer);
    PaintPhoto(o, *engine);
    try {
        engine->PrintSheet(QStringLiteral("Brevlin"));
    } catch (const platform::PrinterError& error) {
        Fail(QString::fromStdString(error.what()));
    }
    return 0;
}

int Formats()
{
    for (int i = 0; i < kFormatCount; ++i) {
        const QString label = FormatLabel(kPhotoFormats[i], BuiltIn);
        const SizeMm size = FormatSizeMm(i);
        std::printf("%d\t%s\t%dx%d\n", i, label.toUtf8().constData(), size.width, size.height);
    }
    return 0;
}

bool NeedsGui(const Options& o)
{
    return o.command == QLatin1String("print") || o.printer
        || (o.command == QLatin1String("make") && SheetFileTypeFor(o.output) == SheetFileType::Pdf);
}

// Qt's own chatter (a missing runtime folder, font fallbacks) is not for the users of a command-line tool:
// they get one line when something goes wrong, and nothing otherwise.
void QuietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg || qEnvironmentVariableIsSet("BREVLIN_DEBUG"))
        std::fprintf(stderr, "brevlin-sheet: %s\n", message.toLocal8Bit().constData());
}

}  // namespace

int main(int argc, char** argv)
{
    qInstallMessageHandler(QuietQtMessages);
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (args.isEmpty() || args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h")) {
        std::fputs(kUsage, args.isEmpty() ? stderr : stdout);
        return args.isEmpty() ? 2 : 0;
    }
    try {
        const Options options = ParseArguments(args);
        // Printers and PDF pages need Qt's GUI layer; plain picture files do not, and start faster.
        std::unique_ptr<QCoreApplication> app;
        if (NeedsGui(options)) {
            if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
                qputenv("QT_QPA_PLATFORM", "offscreen");
            app = std::make_unique<QGuiApplication>(argc, argv);
        } else {
            app = std::make_unique<QCoreApplication>(argc, argv);
        }
        if (options.command == QLatin1String("formats"))
            return Formats();
        if (options.command == QLatin1String("layout"))
            return Layout(options);
        if (options.command == QLatin1String("make"))
            return Make(options);
        if (options.command == QLatin1String("print"))
            return Print(options);
        Fail(QStringLiteral("unknown command \"%1\"").arg(options.command));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "brevlin-sheet: %s\n", error.what());
        return 2;
    }
}
