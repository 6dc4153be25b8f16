// TColDlg: "色の設定", the colour dialog for bars and background.
#pragma once

#include <QDialog>

class TColorPalette;

class TColDlg : public QDialog
{
    Q_OBJECT
public:
    // The texts are translated into `language` ("ja", "en_US", empty: the
    // system's) when the dialog is made.
    explicit TColDlg(QWidget *parent = nullptr);
    TColorPalette *ColorPalette1() const { return m_palette; }

private:
    TColorPalette *m_palette;
};
