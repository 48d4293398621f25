// Program entry of Brevlin: the application, its four windows, and the message loop.
#include "app/U_MainDlg.h"
#include "app/U_PreviewDlg.h"
#include "app/U_SettingsDlg.h"
#include "app/U_about.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(TMainDlg::AppTitle());
    QApplication::setApplicationDisplayName(TMainDlg::AppTitle());
    // Each window once for the whole run, in this order; the main window's start-up waits for the first
    // activation, when it is already on screen.
    TMainDlg mainDlg(MainDlgEnvironment::System());
    TSettingsDlg settingsDlg(&mainDlg);
    Tpreviewdlg previewDlg(&mainDlg);
    TAboutDlg aboutDlg(&mainDlg);
    mainDlg.show();
    return app.exec();
}
