// TQRForm: the QR assist form. It composes an address-book entry, a mail,
// a bookmark (and a Wi-Fi network) for QR Code, puts the text into the main
// window's data line, runs its creation and shows the symbol on its QR page.
#pragma once

#include "Image.h"
#include "QRAssist.h"

#include <QDialog>

class JobModel;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTabWidget;
class TPictureView;

class TQRForm : public QDialog
{
    Q_OBJECT
public:
    // The addresses come from addressFile (default: TAddressList::ReadLocation())
    // and go back to saveFile (default: TAddressList::WriteLocation()) when
    // the form closes.
    TQRForm(JobModel *model, QWidget *parent = nullptr, const QString &addressFile = QString(),
            const QString &saveFile = QString());
    ~TQRForm() override;

    enum Page { P1, P2, P3, P4, P5 };
    QTabWidget *Pages() const { return m_pages; }
    // "作成(&S)": composes by the active page, creates in the main window,
    // shows the result on the QR page.
    void CreateClick();
    // What the active page composes (empty on the QR page).
    QString Compose();
    const TAddressList &Addresses() const { return m_addresses; }
    const TImage &Image1() const { return m_image; }
    // Writes the address list back (once).
    void SaveAddresses();

    QLineEdit *KFirstN, *KLastN, *FirstN, *LastN, *Phone1, *Phone2, *mail1, *mail2, *Note;
    QComboBox *Address1, *Address2;
    QLineEdit *Sub;
    QPlainTextEdit *Body;
    QLineEdit *SiteN, *UrlN;
    QLineEdit *Ssid, *WifiPassword;
    QComboBox *WifiSecurity;
    QCheckBox *WifiHidden;
    // The form's own status line: what the last creation came to.
    QString StatusLine() const;

protected:
    void showEvent(QShowEvent *e) override;
    void done(int result) override;

private:
    TMecard mecard() const;
    void fillAddressLists();
    void saveVCard();

    JobModel *m_model;
    QTabWidget *m_pages;
    TPictureView *m_view;
    QLabel *m_statusLine;
    TImage m_image;
    TAddressList m_addresses;
    QString m_saveFile;
    bool m_saved = false;
};
