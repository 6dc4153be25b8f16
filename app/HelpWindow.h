// THelpWindow: the help document in a window of Zebrix's own, for a system
// where no program opens HTML documents. Qt's rich-text browser reads the
// document and follows its links within it; links elsewhere go to the
// system.
#pragma once

#include <QDialog>

class QTextBrowser;

class THelpWindow : public QDialog
{
    Q_OBJECT
public:
    explicit THelpWindow(const QString &file, QWidget *parent = nullptr);
    QTextBrowser *Browser() const { return m_browser; }

private:
    QTextBrowser *m_browser;
};
