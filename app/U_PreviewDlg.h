// Tpreviewdlg: the preview window, created once for the whole run.
#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class previewdlg;
}

// Built from its form; owned by the program entry. User-interface thread only.
class Tpreviewdlg : public QDialog {
    Q_OBJECT

public:
    explicit Tpreviewdlg(QWidget* parent = nullptr);
    ~Tpreviewdlg() override;

private:
    std::unique_ptr<Ui::previewdlg> m_ui;
};
