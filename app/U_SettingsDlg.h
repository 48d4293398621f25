// TSettingsDlg: the settings window, created once for the whole run.
#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class SettingsDlg;
}

// Built from its form; owned by the program entry. User-interface thread only.
class TSettingsDlg : public QDialog {
    Q_OBJECT

public:
    explicit TSettingsDlg(QWidget* parent = nullptr);
    ~TSettingsDlg() override;

private:
    std::unique_ptr<Ui::SettingsDlg> m_ui;
};
