// TZebCode: Zebrix's main window. It shows the job model's controls in the
// window's rows, its menus and status line, and the picture; it owns no logic
// of its own beyond wiring.
#pragma once

#include <QMainWindow>
#include <functional>

class JobModel;
class QAction;
class QActionGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QScrollArea;
class QStackedWidget;
class QToolButton;
class TPictureView;
class TWinSpinEdit;

class TZebCode : public QMainWindow
{
    Q_OBJECT
public:
    explicit TZebCode(JobModel *model, QWidget *parent = nullptr);
    ~TZebCode() override;

    JobModel *model() const { return m_model; }
    // Living in the notification area (ResTaskTray), a close request hides
    // the window when this brings up the icon to hide into, and leaves it
    // shown when it cannot (there is no notification area, or no function).
    void setEnterTray(std::function<bool()> enterTray) { m_enterTray = std::move(enterTray); }

    // The view modes: 1 all rows and the picture, 2 the title and data rows
    // with the picture, 3 the title and data rows only.
    void setViewMode(int mode);
    int viewMode() const { return m_viewMode; }

    // The file dialogs and the colour dialog run through these, so that a
    // test can answer them.
    QString askSaveFileName();
    void SaveAsMnuClick();
    void CopyMnuClick();
    void ColorBtnClick();
    void ColorDetailClick(bool bars);
    void FontBtnClick();
    void DeleteHistoryClick();

protected:
    void changeEvent(QEvent *e) override;
    void showEvent(QShowEvent *e) override;
    void closeEvent(QCloseEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;

private:
    void createActions();
    void createMenus();
    QWidget *createRows();
    void createStatusBar();
    void bindModel();
    void updatePictures();
    void runGuarded(const std::function<void()> &action);

    JobModel *m_model;
    int m_viewMode = 1;
    bool m_shownOnce = false;
    std::function<bool()> m_enterTray;

    // Title row.
    QLabel *m_mode = nullptr;
    QToolButton *m_createBar = nullptr, *m_copyBar = nullptr;
    QToolButton *m_viewDet = nullptr, *m_viewNor = nullptr, *m_viewMin = nullptr;
    // Data row.
    QLineEdit *m_editCode = nullptr;
    QComboBox *m_codeHistory = nullptr;
    // Option panels.
    QWidget *m_options = nullptr;
    QComboBox *m_cdType = nullptr, *m_thinWd = nullptr, *m_startCh = nullptr, *m_stopCh = nullptr;
    QComboBox *m_qrErr = nullptr, *m_comntPos = nullptr, *m_comntAl = nullptr;
    QCheckBox *m_boxDraw = nullptr, *m_checkDigit = nullptr, *m_addCodeChar = nullptr, *m_addSChar = nullptr;
    QCheckBox *m_spCode = nullptr, *m_comnt = nullptr;
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

    // Menus and their items.
    QMenu *m_fileMenu = nullptr, *m_editMenu = nullptr, *m_viewMenu = nullptr;
    QAction *m_saveAs = nullptr, *m_close = nullptr, *m_copy = nullptr;
    QAction *m_copyMf = nullptr, *m_copyEmf = nullptr, *m_copyBm = nullptr, *m_copyJpg = nullptr;
    QAction *m_triming = nullptr, *m_pasteError = nullptr, *m_autoCopy = nullptr, *m_deleteHistory = nullptr;
    QAction *m_drawBcode = nullptr, *m_clipbrdWatch = nullptr, *m_fontStyle = nullptr, *m_barColor = nullptr;
    QAction *m_colorBar = nullptr, *m_colorBack = nullptr;
    QAction *m_viewDetail = nullptr, *m_viewNormal = nullptr, *m_viewMinimum = nullptr;
};
