// TAboutDlg: the about window, created once for the whole run.
#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class AboutDlg;
}

// Built from its form; owned by the program entry. User-interface thread only.
class TAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit TAboutDlg(QWidget* parent = nullptr);
    ~TAboutDlg() override;

private:
    std::unique_ptr<Ui::AboutDlg> m_ui;
};
