// TAboutDlg: the about window.
#include "app/U_about.h"

#include "ui_U_about.h"

TAboutDlg::TAboutDlg(QWidget* parent) : QDialog(parent), m_ui(std::make_unique<Ui::AboutDlg>())
{
    m_ui->setupUi(this);
}

TAboutDlg::~TAboutDlg() = default;
