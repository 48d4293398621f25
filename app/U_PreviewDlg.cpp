// Tpreviewdlg: the preview window.
#include "app/U_PreviewDlg.h"

#include "ui_U_PreviewDlg.h"

Tpreviewdlg::Tpreviewdlg(QWidget* parent) : QDialog(parent), m_ui(std::make_unique<Ui::previewdlg>())
{
    m_ui->setupUi(this);
}

Tpreviewdlg::~Tpreviewdlg() = default;
