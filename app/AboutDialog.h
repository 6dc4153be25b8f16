// TAboutDlg: "Zebrixについて", the about box.
#pragma once

#include <QDialog>

class TAboutDlg : public QDialog
{
    Q_OBJECT
public:
    // libraryName: the stacked-symbol library's name when it is loaded,
    // empty otherwise (then the box says nothing of it).
    TAboutDlg(const QString &libraryName, QWidget *parent = nullptr);
    // The version shown: the build's FileVersion, "UnKnown" without one.
    static QString VersionText(const QString &fileVersion);
};
