// TMainDlg: the main window, its start-up on the first activation of the program, and its shutdown.
#pragma once

#include "sheet/IDPrinter.h"
#include "sheet/PhotoFormats.h"

#include <QMainWindow>
#include <QStringList>

#include <memory>
#include <optional>

class TLogFile;
class TTextStorage;
namespace Ui {
class MainDlg;
}

// Where the main window finds the system: the program file and the printers. Tests replace the printers
// with virtual pages.
struct MainDlgEnvironment {
    QString programFile; // full path of the running program
    QStringList arguments; // command-line parameters, without the program
    std::function<QStringList()> printers; // installed printers, in the system's order
    std::function<QString()> currentPrinter; // the current (default) printer's name
    std::function<std::unique_ptr<platform::Printer>(const QString&)> openPrinter; // throws PrinterError

    // The real system: this program, its arguments and the printers of CUPS.
    static MainDlgEnvironment System();
};

// The main window. Owns the log, the sheet engine and its printer; everything else is owned by the form.
// Created once; the start-up runs on the first activation of the application, the shutdown when the
// window closes. User-interface thread only.
class TMainDlg : public QMainWindow {
    Q_OBJECT

public:
    explicit TMainDlg(MainDlgEnvironment environment, QWidget* parent = nullptr);
    ~TMainDlg() override;

    // The title that names the log, the working copy, the data folder and the caption.
    static QString AppTitle() { return QStringLiteral("Brevlin"); }
    // True when no installed copy of the program is known: settings then travel in settings.ini.
    static bool PortableMode();

    TTextStorage* main_ts() const { return m_mainTs; }
    TLogFile* Log() const { return m_log.get(); }
    TIDPrinter* SheetPrinter() const { return m_sheetPrinter.get(); }
    bool Started() const { return m_started; }
    QString ProgramFolder() const;
    QString DataFolder() const { return m_dataFolder; }
    QString WorkFile() const { return m_workFile; }

    // The first activation: log header, printers, sheet engine, mask layer, format list, last format.
    void AppEvtActivate();
    // Caption and format list in the current language.
    void langueAfterLanguageSwitch();
    // Refills format_cmb with the labels, keeping the selected index.
    void BuildFormatList();
    // Applies the selected format: photo size, picture height, slider range, stored index.
    void format_cmbChange();
    // The slider's range from the sheet capacity, its position at the maximum.
    void ResetPhotoCount();
    void num_trkChange(int position);
    // Switches "Auto Resize": stretch the picture or keep its proportions.
    void AutoResize1Click();
    void normmask_chkClick();
    void Exit1Click();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void FormClose();
    void FormDestroy();
    QString SettingsIniPath() const;
    // The window caption: title, " v" and the program file's version.
    QString Caption();
    void WriteHeader(qsizetype printerCount);
    void ShowSelectedPrinter(const QStringList& printers);
    void SetPhotoCountMaximum(int maximum);
    void NoPrinter();

    std::unique_ptr<Ui::MainDlg> m_ui;
    MainDlgEnvironment m_environment;
    TTextStorage* m_mainTs = nullptr;
    std::unique_ptr<TLogFile> m_log;
    std::unique_ptr<platform::Printer> m_printer;
    std::unique_ptr<TIDPrinter> m_sheetPrinter;
    QImage m_mask;
    std::optional<QString> m_versionText;
    QString m_workFile;
    QString m_dataFolder;
    bool m_dataFolderIsProgramFolder = false;
    bool m_activationPending = true;
    bool m_started = false;
    bool m_closed = false;
};
