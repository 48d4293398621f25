// TMainDlg: the main window, its start-up on the first activation of the program, and its shutdown.
#include "app/U_MainDlg.h"

#include "app/Drawings.h"
#include "app/U_MainDlgTexts.h"
#include "app/U_MsgDlg.h"
#include "lang/C_TextStorage.h"
#include "sheet/Rounding.h"
#include "support/U_Log.h"
#include "support/U_Settings.h"
#include "support/U_ShellFile.h"
#include "support/U_SystemInfo.h"
#include "update/U_HTTP_Custo.h"

#include "ui_U_MainDlg.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QTimer>

namespace {

constexpr int kPictureAreaWidth = 151;
constexpr const char* kProductInstalled = "Quillmoor Brevlin";

} // namespace

MainDlgEnvironment MainDlgEnvironment::System()
{
    MainDlgEnvironment environment;
    environment.programFile = QCoreApplication::applicationFilePath();
    environment.arguments = QCoreApplication::arguments().mid(1);
    environment.printers = platform::InstalledPrinters;
    environment.currentPrinter = platform::DefaultPrinterName;
    environment.openPrinter = platform::OpenPrinter;
    return environment;
}

TMainDlg::TMainDlg(MainDlgEnvironment environment, QWidget* parent)
    : QMainWindow(parent)
    , m_ui(std::make_unique<Ui::MainDlg>())
    , m_environment(std::move(environment))
{
    m_ui->setupUi(this);
    m_mainTs = new TTextStorage(this, QStringLiteral("main_ts"), MainDlgBuiltInTexts());
    // A fixed window: the client area is 390 x 299 below the menu bar, status bar included.
    m_ui->StatusBar->setSizeGripEnabled(false);
    auto* printerPanel = new QLabel(this);
    printerPanel->setObjectName(QStringLiteral("printer_pnl"));
    printerPanel->setMinimumWidth(50);
    m_ui->StatusBar->addWidget(printerPanel);
    setFixedSize(390, m_ui->MainMenu->sizeHint().height() + 299);
    m_ui->img->SetPicture(PlaceholderPicture());
    m_mask = NormMaskDrawing();
    // The slider starts at 0 to 10, position 0, and its label stays empty until the position changes.
    m_ui->num_trk->setRange(0, 10);
    m_ui->num_trk->setValue(0);
    m_ui->dynnum_lbl->clear();

    connect(m_ui->format_cmb, &QComboBox::activated, this, [this] { format_cmbChange(); });
    connect(m_ui->num_trk, &QSlider::valueChanged, this, &TMainDlg::num_trkChange);
    connect(m_ui->normmask_chk, &QCheckBox::clicked, this, &TMainDlg::normmask_chkClick);
    connect(m_ui->AutoResize1, &QAction::triggered, this, [this] {
        // The action has already toggled itself; the handler toggles the check mark on its own.
        m_ui->AutoResize1->setChecked(!m_ui->AutoResize1->isChecked());
        AutoResize1Click();
    });
    connect(m_ui->Exit1, &QAction::triggered, this, &TMainDlg::Exit1Click);
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive)
            AppEvtActivate();
    });
    FormCreate();
}

TMainDlg::~TMainDlg()
{
    FormDestroy();
}

bool TMainDlg::PortableMode()
{
    return !IsProductInstalled(QString::fromLatin1(kProductInstalled));
}

QString TMainDlg::ProgramFolder() const
{
    return QFileInfo(m_environment.programFile).absolutePath() + QLatin1Char('/');
}

QString TMainDlg::SettingsIniPath() const
{
    return ProgramFolder() + QStringLiteral("settings.ini");
}

QString TMainDlg::Caption()
{
    // The program file does not change while it runs: its version is read once.
    if (!m_versionText)
        m_versionText = FileVersionText(m_environment.programFile);
    return AppTitle() + QStringLiteral(" v") + *m_versionText;
}

void TMainDlg::FormCreate()
{
    if (PortableMode())
        ImportSettingsFromIni(AppTitle(), SettingsIniPath());
}

void TMainDlg::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // The start-up waits for the window to be on screen. Activation may come before the window shows, or
    // never (an X display without a window manager gives no focus): the first of the two starts it.
    QTimer::singleShot(0, this, &TMainDlg::AppEvtActivate);
}

void TMainDlg::AppEvtActivate()
{
    // Once per run: later activations (switching back from another program) do nothing.
    if (!m_activationPending || m_closed)
        return;
    m_activationPending = false;
    disconnect(qGuiApp, &QGuiApplication::applicationStateChanged, this, nullptr);

    WriteMakerValue(AppTitle(), m_environment.programFile);
    setWindowTitle(Caption());
    m_workFile.clear();
    const ::DataFolder folder = LocateDataFolder(m_environment.programFile, AppTitle());
    m_dataFolder = folder.path;
    m_dataFolderIsProgramFolder = folder.isProgramFolder;
    m_log = std::make_unique<TLogFile>(m_dataFolder + AppTitle() + QStringLiteral(".log"), false, 10000, false);
    // The print system is asked once; the header, the list and the selection all use this answer.
    const QStringList printers = m_environment.printers();
    WriteHeader(printers.size());
    if (printers.isEmpty())
        return NoPrinter();
    for (qsizetype i = 0; i < printers.size(); ++i)
        m_log->AddLine(QStringLiteral("Printer %1 : %2").arg(i + 1).arg(printers[i]), kLogInfo);
    ShowSelectedPrinter(printers);
    try {
        m_printer = m_environment.openPrinter(m_environment.currentPrinter());
        m_sheetPrinter = std::make_unique<TIDPrinter>(*m_printer);
    } catch (const std::exception& error) {
        m_log->AddLine(QString::fromStdString(error.what()), kLogError);
        return NoPrinter();
    }

    // The mask lies over the area the picture fills now and stays there when the area changes height.
    m_ui->img->SetLayer(m_mask, m_ui->img->PictureRect(), 120);
    normmask_chkClick();
    ResetPhotoCount();
    AutoResize1Click();
    langueAfterLanguageSwitch();
    const QString stored = ReadProductSetting(QStringLiteral("PicFormatIdx"));
    bool numeric = false;
    const int index = (stored.isEmpty() ? QStringLiteral("19") : stored).toInt(&numeric);
    m_ui->format_cmb->setCurrentIndex(numeric ? index : 0);
    if (m_ui->format_cmb->currentIndex() < 0 || !numeric || index >= m_ui->format_cmb->count())
        m_ui->format_cmb->setCurrentIndex(0);
    format_cmbChange();
    m_started = true;
}

void TMainDlg::WriteHeader(qsizetype printerCount)
{
    const auto info = [this](const QString& line) { m_log->AddLine(line, kLogInfo); };
    info(QStringLiteral("Starting"));
    info(m_environment.programFile);
    info(windowTitle());
    info(SystemNameLine());
    info(QStringLiteral("64Bits : ") + YesNo(IsWow64()));
    info(QStringLiteral("Administrator : ") + YesNo(IsAdministrator()));
    info(QStringLiteral("Portable : ") + YesNo(PortableMode()));
    if (!m_environment.arguments.isEmpty())
        info(m_environment.arguments.first());
    info(QStringLiteral("OpenSSL : ") + GetSSLVersionText());
    info(QStringLiteral("%1 printer(s) found").arg(printerCount));
}

void TMainDlg::ShowSelectedPrinter(const QStringList& printers)
{
    const QString current = m_environment.currentPrinter();
    findChild<QLabel*>(QStringLiteral("printer_pnl"))->setText(current);
    m_log->AddLine(
        QStringLiteral("Selected printer : (%1) %2").arg(printers.indexOf(current) + 1).arg(current), kLogInfo);
}

void TMainDlg::NoPrinter()
{
    ShowMessageBox(this, m_mainTs->Translate(MainDlgBuiltInTexts()[0]), 0, 2);
    // Closing from inside the activation handler: let the handler return first.
    QTimer::singleShot(0, this, &QWidget::close);
}

void TMainDlg::langueAfterLanguageSwitch()
{
    setWindowTitle(Caption());
    BuildFormatList();
}

void TMainDlg::BuildFormatList()
{
    QComboBox* list = m_ui->format_cmb;
    const int selected = list->currentIndex();
    const QSignalBlocker quiet(list);
    list->clear();
    list->addItems(BuildFormatLabels([this](const QString& text) { return m_mainTs->Translate(text); }));
    list->setCurrentIndex(selected);
    if (list->currentIndex() < 0)
        list->setCurrentIndex(0);
}

void TMainDlg::format_cmbChange()
{
    const QString label = m_ui->format_cmb->currentText();
    AddLogLine(m_log.get(), QStringLiteral("Selecting format : ") + label, kLogInfo);
    const std::optional<PhotoFormat> format = ParseFormatLabel(label);
    m_ui->normmask_chk->setEnabled(NormMaskAllowed(format));
    normmask_chkClick();
    if (!format) {
        ShowPlainMessage(m_mainTs->Translate(MainDlgBuiltInTexts()[65]), this);
        AddLogLine(m_log.get(), QStringLiteral("Unable to determine picture format."), kLogInfo);
    } else if (m_sheetPrinter) {
        const SizeMm size = SheetSizeMm(*format);
        m_sheetPrinter->SetPhotoSize(size.width, size.height);
        m_ui->img->resize(kPictureAreaWidth, RoundHalfEven(double(kPictureAreaWidth) * format->height / format->width));
    }
    if (m_sheetPrinter) {
        QSlider* slider = m_ui->num_trk;
        const bool atMaximum = slider->value() == slider->maximum();
        SetPhotoCountMaximum(m_sheetPrinter->Capacity());
        if (atMaximum)
            slider->setValue(slider->maximum());
    }
    WriteProductSettingInt(QStringLiteral("PicFormatIdx"), m_ui->format_cmb->currentIndex());
}

void TMainDlg::SetPhotoCountMaximum(int maximum)
{
    // A maximum below the minimum is ignored, as the slider of the original form did.
    if (maximum >= m_ui->num_trk->minimum())
        m_ui->num_trk->setMaximum(maximum);
}

void TMainDlg::ResetPhotoCount()
{
    if (!m_sheetPrinter)
        return;
    m_sheetPrinter->UpdateMetrics();
    QSlider* slider = m_ui->num_trk;
    SetPhotoCountMaximum(m_sheetPrinter->Capacity());
    slider->setMinimum(0);
    if (slider->maximum() > 1)
        slider->setMinimum(1);
    slider->setValue(slider->maximum());
}

void TMainDlg::num_trkChange(int position)
{
    m_ui->dynnum_lbl->setText(QString::number(position));
}

void TMainDlg::AutoResize1Click()
{
    QAction* item = m_ui->AutoResize1;
    item->setChecked(!item->isChecked());
    const bool stretch = item->isChecked();
    AddLogLine(m_log.get(), stretch ? QStringLiteral("Scale mode : Stretch") : QStringLiteral("Scale mode : Resize"),
        kLogInfo);
    m_ui->img->SetScaleMode(stretch ? TPictureView::ScaleMode::Stretch : TPictureView::ScaleMode::Resize);
}

void TMainDlg::normmask_chkClick()
{
    m_ui->img->SetLayerVisible(m_ui->normmask_chk->isChecked() && m_ui->normmask_chk->isEnabled());
}

void TMainDlg::Exit1Click()
{
    close();
}

void TMainDlg::closeEvent(QCloseEvent* event)
{
    FormClose();
    event->accept();
}

void TMainDlg::FormClose()
{
    // Every step runs whatever happened to the one before; a second close does nothing more.
    if (m_closed)
        return;
    m_closed = true;
    const QString cleaned = CleanVirtualStore(ProgramFolder());
    if (!cleaned.isEmpty())
        AddLogLine(m_log.get(), QStringLiteral("Cleaning VirtualStore : ") + cleaned, kLogVerbose);
    if (!m_dataFolder.isEmpty())
        QFile::remove(m_dataFolder + AppTitle() + QStringLiteral(".jpg"));
    if (!PortableMode())
        return;
    // The program's own folder (where the data folder falls back to) is never emptied.
    if (ReadProductSetting(QStringLiteral("DebugMode")) != QLatin1String("1") && !m_dataFolder.isEmpty()
        && !m_dataFolderIsProgramFolder)
        DeleteFilesByExtension(m_dataFolder, QStringLiteral("*"));
    RemoveEmptyMakerDataFolder();
    if (ExportSettingsToIni(AppTitle(), SettingsIniPath())) {
        DeleteProductKey(AppTitle());
        DeleteMakerValue(AppTitle());
        DeleteMakerKeyIfEmpty();
    }
}

void TMainDlg::FormDestroy()
{
    // In this order; objects the start-up never created are simply absent.
    m_sheetPrinter.reset();
    m_printer.reset();
    m_log.reset();
}
