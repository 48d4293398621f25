// TSettingsDlg: the settings window.
#include "app/U_SettingsDlg.h"

#include "ui_U_SettingsDlg.h"

TSettingsDlg::TSettingsDlg(QWidget* parent) : QDialog(parent), m_ui(std::make_unique<Ui::SettingsDlg>())
{
    m_ui->setupUi(this);
}

TSettingsDlg::~TSettingsDlg() = default;
