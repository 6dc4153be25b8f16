// TZebCode: Zebrix's main window. It shows the job model's controls in the
// window's rows, its menus and status line, and the picture; it owns the
// window's own states (view mode, stay-on-top, the barcode window, the
// notification-area icon, the language of the dialogs) and no logic of the
// job beyond wiring.
#pragma once

#include "BarcodeView.h"
#include "HelpWindow.h"
#include "Settings.h"

#include <QMainWindow>
#include <QPointer>
#include <memory>
#include <optional>

class JobModel;
class QAction;
class QCheckBox;
class QComboBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QPrinter;
class QPushButton;
class QScrollArea;
class QStackedWidget;
class QToolButton;
class QWindow;
class TBarview;
class TElidedLabel;
class TPictureView;
class TSkyGroupCheckBox;
class TTrayIcon2;
class TWinSpinEdit;

class TZebCode : public QMainWindow
{
    Q_OBJECT
public:
    explicit TZebCode(JobModel *model, QWidget *parent = nullptr);
    ~TZebCode() override;

    JobModel *model() const { return m_model; }

    // --- View modes: 1 "詳細" (all rows and the picture, 367 high), 2 "簡易１"
    // (the title and data rows with the picture, 204), 3 "簡易２" (the title
    // and data rows only, 108); heights of the whole window at 96 dpi.
    void FormTypeClick(int mode);
    void setViewMode(int mode) { FormTypeClick(mode); }
    int viewMode() const { return m_viewMode; }
    static int ViewHeight(int mode);

    // --- Stay on top ("手前に表示"): inverts the check and applies it.
    void FStyleClick();
    bool StayOnTop() const;

    // --- The barcode window.
    void BWinClick();
    // The "プ" speed button down or up, without its click.
    void setBWinDown(bool down);
    void BWindowClick();
    // Creates (or destroys) the barcode window as BWindow is checked.
    void ApplyBarcodeWindow();
    void PlaceBarcodeWindow();
    TBarview *Barview() const { return m_barview; }

    // --- The notification area.
    void TrayIconClick();
    void Open1Click();
    void Close2Click();
    // Shows the icon when on, removes it when off; false (after saying
    // "タスクトレイにアイコンを登録できません。" and ending tray residence)
    // where the icon cannot be registered.
    bool SetTrayIconVisible(bool on);
    // Whether the main window is to be shown (the mark Open1 toggles).
    bool ShowMainForm() const { return m_showMainForm; }
    void setShowMainForm(bool show) { m_showMainForm = show; }
    TTrayIcon2 *TrayIcon21() const { return m_trayIcon; }
    // The close request while resident: brings up the icon and hides the
    // window; false (the window stays) where there is no notification area.
    bool EnterTray();

    // --- Language of the dialogs ("ja", "en_US"): LangJP / LangEN.
    void setLanguage(const QString &code);

    // --- Help and about.
    void ContentsClick();
    // Opens a help document with the system's program for HTML, or where
    // there is none, in Zebrix's own window.
    void OpenHelp(const QString &file);
    // The help document in Zebrix's own window (where no program opens it).
    void ShowHelpWindow(const QString &file);
    THelpWindow *HelpWindow() const { return m_helpWindow; }
    void AboutClick();
    static QString HelpFile();

    // --- The QR assist form ("&QR補助...").
    void QRSubBtnClick();

    // --- Printing.
    void PrintMnuClick();
    void PrinterMnuClick();
    QPrinter *Printer();

    // --- The file dialogs and the colour dialog run through these, so that a
    // test can answer them.
    QString askSaveFileName();
    void SaveAsMnuClick();
    void CopyMnuClick();
    void ColorBtnClick();
    void ColorDetailClick(bool bars);
    void FontBtnClick();
    void DeleteHistoryClick();

    // --- Settings: the window's part, and everything written on closing.
    TWindowSettings WindowSettings() const;
    // Placement (position; a failure is ignored) as read from the settings.
    void ApplyPlacement(const TWinPlacement &placement);
    // The "表示モード" value stored for the view mode checked.
    int FormTypeValue() const;

    // The window has really closed (settings written, clipboard emptied).
    bool Closed() const { return m_closed; }
    // A message over the window that holds nothing up.
    void ShowError(const QString &message);

signals:
    // The window closed for real: the program ends.
    void closed();

protected:
    void showEvent(QShowEvent *e) override;
    void closeEvent(QCloseEvent *e) override;
    void moveEvent(QMoveEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;

private:
    void createActions();
    void createMenus();
    QWidget *createRows();
    void createStatusBar();
    void createTrayIcon();
    void bindModel();
    void updatePictures();
    void runGuarded(const std::function<void()> &action);
    void finishClosing();
    void focusWindowChanged(QWindow *focus);
    int frameHeight() const;
    bool menuShortcutFor(QObject *receiver, const QKeyEvent *key) const;
    void applyViewHeight();
    void followFrame();

    JobModel *m_model;
    int m_viewMode = 1;
    bool m_shownOnce = false;
    bool m_closed = false;
    bool m_showMainForm = true;
    bool m_stayOnTop = false;
    bool m_ownWindowHadFocus = false;   // the focus is on another window of Zebrix's
    bool m_enterPressed = false;        // Enter went down in the data line
    int m_appliedFrame = 0;             // the frame's height the view height was set for
    std::optional<QPoint> m_framePosition;   // where the stored placement puts the frame

    // Title row.
    QLabel *m_mode = nullptr;
    QToolButton *m_createBar = nullptr, *m_copyBar = nullptr, *m_bWin = nullptr;
    QToolButton *m_viewDet = nullptr, *m_viewNor = nullptr, *m_viewMin = nullptr;
    // Data row.
    QLineEdit *m_editCode = nullptr;
    QComboBox *m_codeHistory = nullptr;
    // Panel2: the title and data rows and the option panels.
    QWidget *m_panel2 = nullptr;
    QWidget *m_options = nullptr;
    QComboBox *m_cdType = nullptr, *m_thinWd = nullptr, *m_startCh = nullptr, *m_stopCh = nullptr;
    QComboBox *m_qrErr = nullptr, *m_comntPos = nullptr, *m_comntAl = nullptr;
    QCheckBox *m_boxDraw = nullptr, *m_checkDigit = nullptr, *m_spCode = nullptr;
    TSkyGroupCheckBox *m_addCodeChar = nullptr, *m_addSChar = nullptr, *m_comnt = nullptr;
    QLineEdit *m_comntStr = nullptr;
    QPushButton *m_fontBtn = nullptr, *m_colorBtn = nullptr, *m_qrSubBtn = nullptr;
    QLabel *m_charSmp = nullptr;
    TWinSpinEdit *m_qrVer = nullptr, *m_barHeight = nullptr, *m_leftMargin = nullptr, *m_topMargin = nullptr;
    QStackedWidget *m_panel3Or4QR = nullptr;
    QWidget *m_panel3 = nullptr, *m_qrPanel = nullptr, *m_panel5 = nullptr;
    // Picture area.
    QScrollArea *m_scrollBox = nullptr;
    TPictureView *m_barImage = nullptr, *m_image1 = nullptr;
    QLabel *m_status = nullptr;
    TElidedLabel *m_reason = nullptr;

    // Menus and their items.
    QMenu *m_fileMenu = nullptr, *m_editMenu = nullptr, *m_viewMenu = nullptr, *m_helpMenu = nullptr;
    QMenu *m_languageMenu = nullptr;
    QAction *m_saveAs = nullptr, *m_print = nullptr, *m_printer = nullptr, *m_close = nullptr, *m_copy = nullptr;
    QAction *m_copyMf = nullptr, *m_copyEmf = nullptr, *m_copyBm = nullptr, *m_copyJpg = nullptr;
    QAction *m_triming = nullptr, *m_pasteError = nullptr, *m_autoCopy = nullptr, *m_deleteHistory = nullptr;
    QAction *m_drawBcode = nullptr, *m_clipbrdWatch = nullptr, *m_fontStyle = nullptr, *m_barColor = nullptr;
    QAction *m_colorBar = nullptr, *m_colorBack = nullptr;
    QAction *m_viewDetail = nullptr, *m_viewNormal = nullptr, *m_viewMinimum = nullptr;
    QAction *m_fStyle = nullptr, *m_bWindow = nullptr, *m_trayIconItem = nullptr;
    QAction *m_langJP = nullptr, *m_langEN = nullptr, *m_languageSeparator = nullptr;
    QAction *m_contents = nullptr, *m_about = nullptr;

    QPointer<TBarview> m_barview;
    QPointer<THelpWindow> m_helpWindow;
    TTrayIcon2 *m_trayIcon = nullptr;
    QMenu *m_popupMenu1 = nullptr;
    std::unique_ptr<QPrinter> m_printerDevice;
    QString m_lastSaveFolder;   // of the save dialog's last save in this run
};
