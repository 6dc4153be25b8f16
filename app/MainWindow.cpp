#include "MainWindow.h"

#include "AboutDialog.h"
#include "AppIcon.h"
#include "BarcodeView.h"
#include "Binding.h"
#include "ColorDialog.h"
#include "ColorPalette.h"
#include "Executable.h"
#include "HelpWindow.h"
#include "JobModel.h"
#include "Language.h"
#include "PictureView.h"
#include "PrintDialog.h"
#include "Printing.h"
#include "QRForm.h"
#include "SkyGroupCheckBox.h"
#include "SystemClipboard.h"
#include "Texts.h"
#include "TrayIcon2.h"
#include "WinSpinEdit.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>
#include <cmath>
#include <utility>

using namespace binding;

namespace {

// Sizes of the window as designed, at 96 dpi.
constexpr int kClientWidth = 351;
constexpr int kPanel2Detail = 221;
constexpr int kPanel2Small = 49;
constexpr int kViewHeights[] = {367, 204, 108};

// The groups of the group check boxes.
constexpr int kTextGroup = 1;      // AddCodeChar: the font button and the sample
constexpr int kCommentGroup = 2;   // Comnt: the comment text

QLabel *label(const QString &text, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setAlignment(Qt::AlignVCenter | Qt::AlignRight);
    return l;
}

// A widget of the window, known by its name to the settings, the tests and
// the layout code alike. The arguments before the parent are the widget's own.
template <class T, class... Args>
T *make(const char *name, QWidget *parent, Args &&...args)
{
    auto *w = new T(std::forward<Args>(args)..., parent);
    w->setObjectName(QLatin1String(name));
    return w;
}

// A panel's one row of controls, edge to edge.
QHBoxLayout *row(QWidget *panel)
{
    auto *h = new QHBoxLayout(panel);
    h->setContentsMargins(0, 0, 0, 0);
    return h;
}

QToolButton *speedButton(const char *name, const QString &text, const QString &hint, QWidget *parent,
                         bool checkable = false)
{
    auto *b = make<QToolButton>(name, parent);
    b->setText(text);
    b->setToolTip(hint);
    b->setCheckable(checkable);
    b->setAutoRaise(true);
    b->setFixedSize(26, 22);
    return b;
}

// Menu titles one line of text high and a little air, the status line one
// line high: under a window manager's frame the small view modes still hold
// the menu, the title and data rows and the status line within their
// defined heights.
class TCompactMenuBarStyle : public QProxyStyle
{
public:
    QSize sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &size,
                           const QWidget *widget) const override
    {
        QSize s = QProxyStyle::sizeFromContents(type, option, size, widget);
        if (type == CT_MenuBarItem && widget)
            s.setHeight(std::min(s.height(), widget->fontMetrics().height() + 3));
        return s;
    }
};

// A drop-down list that always shows its widest item whole: a layout that
// runs short of room squeezes something else.
class TWholeComboBox : public QComboBox
{
public:
    explicit TWholeComboBox(QWidget *parent) : QComboBox(parent) { setSizeAdjustPolicy(AdjustToContents); }
    QSize minimumSizeHint() const override { return sizeHint(); }
};

} // namespace

// A one-line label that shows as much of its text as fits, ending in "…",
// and the whole text as its tip.
class TElidedLabel : public QLabel
{
public:
    explicit TElidedLabel(QWidget *parent) : QLabel(parent) { setMinimumWidth(0); }
    void setFullText(const QString &text)
    {
        m_text = text;
        setToolTip(text);
        elide();
    }
    const QString &fullText() const { return m_text; }
    QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

protected:
    void resizeEvent(QResizeEvent *e) override
    {
        QLabel::resizeEvent(e);
        elide();
    }

private:
    void elide() { setText(fontMetrics().elidedText(m_text, Qt::ElideRight, std::max(0, width()))); }
    QString m_text;
};

namespace {

// Pixels at 96 dpi to the screen's pixels.
int scaled(const QWidget *w, int pixels)
{
    const QScreen *screen = w->screen();
    const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
    return int(std::lround(pixels * dpi / 96.0));
}

} // namespace

TZebCode::TZebCode(JobModel *model, QWidget *parent)
    : QMainWindow(parent), m_model(model)
{
    setObjectName(QStringLiteral("ZebCode"));
    setWindowTitle(texts::AppTitle());
    setWindowIcon(ZebrixIcon());
    // A single border, minimise and the system menu: no maximising, no resizing.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    createActions();
    createMenus();
    setCentralWidget(createRows());
    createStatusBar();
    createTrayIcon();
    bindModel();
    updatePictures();
    FormTypeClick(TViewMode::Detail);
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &TZebCode::focusWindowChanged);
    // The menu's shortcuts before any text field's (see menuShortcutFor).
    qApp->installEventFilter(this);
}

TZebCode::~TZebCode()
{
    if (m_barview)
        delete m_barview;
}

void TZebCode::runGuarded(const std::function<void()> &action) { Guarded(this, action); }

void TZebCode::ShowError(const QString &message) { binding::ShowError(this, message); }

// --- Actions and menus ------------------------------------------------------------

void TZebCode::createActions()
{
    JobModel &m = *m_model;
    auto action = [this](const QString &name, const QString &text, const QKeySequence &key = {}) {
        auto *a = new QAction(text, this);
        a->setObjectName(name);
        if (!key.isEmpty())
            a->setShortcut(key);
        return a;
    };
    auto checkable = [&](const QString &name, const QString &text, const QKeySequence &key = {}) {
        QAction *a = action(name, text, key);
        a->setCheckable(true);
        return a;
    };
    // A menu item's handler, with nothing thrown out of it.
    auto on = [this](QAction *a, std::function<void()> handler) {
        connect(a, &QAction::triggered, this, [this, handler] { runGuarded(handler); });
    };

    m_saveAs = action(QStringLiteral("SaveAsMnu"), texts::SaveAsMnu());
    on(m_saveAs, [this] { SaveAsMnuClick(); });
    m_print = action(m.PrintMnu.Name(), m.PrintMnu.Caption(), QKeySequence(Qt::CTRL | Qt::Key_P));
    m.PrintMnu.OnClick = [this] { PrintMnuClick(); };
    Bind(m_print, &m.PrintMnu);
    m_printer = action(QStringLiteral("PrinterMnu"), texts::PrinterMnu());
    on(m_printer, [this] { PrinterMnuClick(); });
    m_close = action(QStringLiteral("CloseMnu"), texts::CloseMnu());
    on(m_close, [this] { Close2Click(); });

    m_copy = action(QStringLiteral("CopyMnu"), texts::CopyMnu(), QKeySequence(Qt::CTRL | Qt::Key_C));
    on(m_copy, [this] { CopyMnuClick(); });
    auto *kinds = new QActionGroup(this);
    for (auto [slot, state] : {std::pair{&m_copyMf, &m.CopyMf}, std::pair{&m_copyEmf, &m.CopyEmf},
                               std::pair{&m_copyBm, &m.CopyBm}, std::pair{&m_copyJpg, &m.CopyJpg}}) {
        *slot = checkable(state->Name(), state->Caption());
        kinds->addAction(*slot);
        Bind(*slot, state);
    }
    m.CopyJpg.setVisible(false);   // never offered
    for (auto [slot, state] : {std::pair{&m_triming, &m.Triming}, std::pair{&m_pasteError, &m.PasteError},
                               std::pair{&m_autoCopy, &m.AutoCopy}}) {
        *slot = checkable(state->Name(), state->Caption());
        Bind(*slot, state);
    }
    m_deleteHistory = action(m.DeleteHistory.Name(), m.DeleteHistory.Caption());
    m.DeleteHistory.OnClick = [this] { DeleteHistoryClick(); };
    Bind(m_deleteHistory, &m.DeleteHistory);

    m_drawBcode = action(m.DrawBcode.Name(), m.DrawBcode.Caption(), QKeySequence(Qt::CTRL | Qt::Key_M));
    Bind(m_drawBcode, &m.DrawBcode);
    m_clipbrdWatch = checkable(m.ClipbrdWatch.Name(), m.ClipbrdWatch.Caption(), QKeySequence(Qt::CTRL | Qt::Key_W));
    Bind(m_clipbrdWatch, &m.ClipbrdWatch);
    auto *modes = new QActionGroup(this);
    for (auto [slot, name, text, mode] :
         {std::tuple{&m_viewDetail, "ViewDetail", texts::ViewDetail(), TViewMode::Detail},
          std::tuple{&m_viewNormal, "ViewNormal", texts::ViewNormal(), TViewMode::Normal},
          std::tuple{&m_viewMinimum, "ViewMinimum", texts::ViewMinimum(), TViewMode::Minimum}}) {
        *slot = checkable(QString::fromLatin1(name), text);
        modes->addAction(*slot);
        on(*slot, [this, mode] { FormTypeClick(mode); });
    }
    m_viewDetail->setChecked(true);
    m_fStyle = checkable(QStringLiteral("FStyle"), texts::FStyle(), QKeySequence(Qt::CTRL | Qt::Key_F));
    on(m_fStyle, [this] {
        m_fStyle->setChecked(m_stayOnTop);   // FStyleClick inverts it
        FStyleClick();
    });
    m_bWindow = checkable(m.BWindow.Name(), m.BWindow.Caption(), QKeySequence(Qt::CTRL | Qt::Key_B));
    Bind(m_bWindow, &m.BWindow);
    m.BWindow.OnClick = [this] { BWindowClick(); };
    m_trayIconItem = checkable(QStringLiteral("TrayIcon"), texts::TrayIconMnu(), QKeySequence(Qt::CTRL | Qt::Key_T));
    on(m_trayIconItem, [this] {
        m_trayIconItem->setChecked(m_model->ResTaskTray);   // TrayIconClick inverts it
        TrayIconClick();
    });
    m_fontStyle = action(QStringLiteral("FontStyle"), texts::FontStyle());
    on(m_fontStyle, [this] { FontBtnClick(); });
    m_barColor = action(QStringLiteral("BarColor"), texts::BarColorMnu());
    on(m_barColor, [this] { ColorBtnClick(); });
    m_colorBar = action(QStringLiteral("ColorBar"), texts::ColorBar());
    on(m_colorBar, [this] { ColorDetailClick(true); });
    m_colorBack = action(QStringLiteral("ColorBack"), texts::ColorBack());
    on(m_colorBack, [this] { ColorDetailClick(false); });
    auto *languages = new QActionGroup(this);
    m_langJP = checkable(QStringLiteral("LangJP"), texts::LangJP());
    m_langEN = checkable(QStringLiteral("LangEN"), texts::LangEN());
    languages->addAction(m_langJP);
    languages->addAction(m_langEN);
    m_langJP->setChecked(true);
    on(m_langJP, [this] { setLanguage(QStringLiteral("ja")); });
    on(m_langEN, [this] { setLanguage(QStringLiteral("en_US")); });

    m_contents = action(QStringLiteral("Contents"), texts::Contents());
    on(m_contents, [this] { ContentsClick(); });
    m_about = action(QStringLiteral("About1"), texts::AboutMnu());
    on(m_about, [this] { AboutClick(); });
}

void TZebCode::createMenus()
{
    auto *compact = new TCompactMenuBarStyle;
    compact->setParent(this);
    menuBar()->setStyle(compact);
    m_fileMenu = menuBar()->addMenu(texts::FileMenu());
    m_fileMenu->setObjectName(QStringLiteral("FileMenu"));
    m_fileMenu->addActions({m_saveAs, m_print, m_printer});
    m_fileMenu->addSeparator();
    m_fileMenu->addAction(m_close);
    connect(m_fileMenu, &QMenu::aboutToShow, m_model, &JobModel::UpdateMenuStates);

    m_editMenu = menuBar()->addMenu(texts::EditMenu());
    m_editMenu->setObjectName(QStringLiteral("EditMenu"));
    m_editMenu->addAction(m_copy);
    QMenu *kinds = m_editMenu->addMenu(texts::CopyKinds());
    kinds->setObjectName(QStringLiteral("CopyKinds"));
    kinds->addActions({m_copyMf, m_copyEmf, m_copyBm, m_copyJpg});
    QMenu *options = m_editMenu->addMenu(texts::CopyOptions());
    options->setObjectName(QStringLiteral("CopyOptions"));
    options->addActions({m_triming, m_pasteError});
    m_editMenu->addAction(m_autoCopy);
    m_editMenu->addSeparator();
    m_editMenu->addAction(m_deleteHistory);
    connect(m_editMenu, &QMenu::aboutToShow, m_model, &JobModel::UpdateMenuStates);

    m_viewMenu = menuBar()->addMenu(texts::ViewMenu());
    m_viewMenu->setObjectName(QStringLiteral("ViewMenu"));
    m_viewMenu->addAction(m_drawBcode);
    m_viewMenu->addAction(m_clipbrdWatch);
    QMenu *formType = m_viewMenu->addMenu(texts::FormType());
    formType->setObjectName(QStringLiteral("FormType"));
    formType->addActions({m_viewDetail, m_viewNormal, m_viewMinimum});
    m_viewMenu->addActions({m_fStyle, m_bWindow, m_trayIconItem});
    m_viewMenu->addSeparator();
    m_viewMenu->addAction(m_fontStyle);
    m_viewMenu->addAction(m_barColor);
    QMenu *detail = m_viewMenu->addMenu(texts::ColorDetail());
    detail->setObjectName(QStringLiteral("ColorDetail"));
    detail->addActions({m_colorBar, m_colorBack});
    // The language items exist but are not offered: the dialogs follow the
    // system's language.
    m_languageSeparator = m_viewMenu->addSeparator();
    m_languageMenu = m_viewMenu->addMenu(texts::LanguageMenu());
    m_languageMenu->setObjectName(QStringLiteral("Language"));
    m_languageMenu->addActions({m_langJP, m_langEN});
    m_languageSeparator->setVisible(false);
    m_languageMenu->menuAction()->setVisible(false);

    m_helpMenu = menuBar()->addMenu(texts::HelpMenu());
    m_helpMenu->setObjectName(QStringLiteral("HelpMenu"));
    m_helpMenu->addActions({m_contents, m_about});
}

// --- Rows of the window --------------------------------------------------------------

QWidget *TZebCode::createRows()
{
    auto *central = new QWidget(this);
    auto *v = new QVBoxLayout(central);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);

    // Panel2: the title row, the data row and the option panels. In the
    // small view modes it is cut down to the first two rows.
    m_panel2 = make<QWidget>("Panel2", central);
    auto *p2 = new QVBoxLayout(m_panel2);
    p2->setContentsMargins(4, 2, 4, 2);
    p2->setSpacing(1);
    p2->addLayout(createTitleRow(m_panel2));
    p2->addWidget(createDataRow(m_panel2));
    p2->addWidget(createOptions(m_panel2), 1);
    v->addWidget(m_panel2);

    v->addWidget(createPictures(central), 1);
    v->addStretch(0);
    return central;
}

void TZebCode::onClick(QAbstractButton *button, std::function<void()> action)
{
    connect(button, &QAbstractButton::clicked, this, [this, action = std::move(action)] { runGuarded(action); });
}

// Title row: caption, mode summary, speed buttons.
QLayout *TZebCode::createTitleRow(QWidget *parent)
{
    auto *title = new QHBoxLayout;
    title->setSpacing(0);
    title->addWidget(new QLabel(texts::DataCaption(), parent));
    m_mode = make<QLabel>("Mode", parent);
    m_mode->setContentsMargins(6, 0, 0, 0);
    title->addWidget(m_mode, 1);

    m_createBar = speedButton("CreateBar", texts::CreateBar(), texts::CreateBarHint(), parent);
    onClick(m_createBar, [this] { m_model->Execute(); });
    m_copyBar = speedButton("CopyBar", texts::CopyBar(), texts::CopyBarHint(), parent);
    onClick(m_copyBar, [this] { CopyMnuClick(); });
    m_viewDet = speedButton("ViewDet", texts::ViewDet(), texts::ViewDetail(), parent, true);
    m_viewNor = speedButton("ViewNor", texts::ViewNor(), texts::ViewNormal(), parent, true);
    m_viewMin = speedButton("ViewMin", texts::ViewMin(), texts::ViewMinimum(), parent, true);
    for (auto [b, mode] : {std::pair{m_viewDet, TViewMode::Detail}, std::pair{m_viewNor, TViewMode::Normal},
                           std::pair{m_viewMin, TViewMode::Minimum}}) {
        b->setAutoExclusive(true);
        onClick(b, [this, mode] { FormTypeClick(mode); });
    }
    m_bWin = speedButton("BWin", texts::BWin(), m_model->BWindow.Caption(), parent, true);
    onClick(m_bWin, [this] { BWinClick(); });
    for (QToolButton *b : {m_createBar, m_copyBar, m_viewDet, m_viewNor, m_viewMin, m_bWin})
        title->addWidget(b);
    return title;
}

// Data row: the data line over the history list, whose drop-down button
// shows at its right end.
QWidget *TZebCode::createDataRow(QWidget *parent)
{
    auto *data = new QWidget(parent);
    data->setFixedHeight(23);
    m_codeHistory = make<QComboBox>("CodeHistory", data);
    m_editCode = make<QLineEdit>("EditCode", data);
    m_editCode->installEventFilter(this);
    m_codeHistory->installEventFilter(this);
    data->installEventFilter(this);
    return data;
}

// The option panels, top to bottom; the small view modes hide them.
QWidget *TZebCode::createOptions(QWidget *parent)
{
    m_options = new QWidget(parent);
    auto *rows = new QVBoxLayout(m_options);
    rows->setContentsMargins(0, 2, 0, 0);
    rows->setSpacing(2);
    rows->addWidget(createSymbologyPanel(m_options));
    rows->addWidget(createCheckDigitPanel(m_options));
    // Panel3 (text line, font, colour) and, in its place for QR Code, QRPanel.
    m_panel3Or4QR = new QStackedWidget(m_options);
    m_panel3Or4QR->addWidget(createTextPanel(m_panel3Or4QR));
    m_panel3Or4QR->addWidget(createQRPanel(m_panel3Or4QR));
    rows->addWidget(m_panel3Or4QR);
    rows->addWidget(createCommentPanel(m_options));
    rows->addWidget(createSizePanel(m_options));
    rows->addStretch(1);
    return m_options;
}

// Panel4: symbology, width, frame.
QWidget *TZebCode::createSymbologyPanel(QWidget *parent)
{
    auto *panel4 = make<QWidget>("Panel4", parent);
    m_cdType = make<TWholeComboBox>("CdType", panel4);
    m_thinWd = make<TWholeComboBox>("ThinWd", panel4);
    m_boxDraw = make<QCheckBox>("BoxDraw", panel4);
    auto *h = row(panel4);
    h->addWidget(label(texts::CodeLabel(), panel4));
    h->addWidget(m_cdType, 2);
    h->addWidget(label(texts::WidthLabel(), panel4));
    h->addWidget(m_thinWd, 1);
    h->addWidget(m_boxDraw);
    return panel4;
}

// CDpanel: check digit, start and stop characters.
QWidget *TZebCode::createCheckDigitPanel(QWidget *parent)
{
    auto *cdPanel = make<QWidget>("CDpanel", parent);
    m_checkDigit = make<QCheckBox>("CheckDigit", cdPanel);
    m_startCh = make<TWholeComboBox>("StartCh", cdPanel);
    m_stopCh = make<TWholeComboBox>("StopCH", cdPanel);
    auto *h = row(cdPanel);
    h->addWidget(m_checkDigit);
    h->addWidget(label(texts::StartLabel(), cdPanel), 1);
    h->addWidget(m_startCh);
    h->addWidget(label(texts::StopLabel(), cdPanel));
    h->addWidget(m_stopCh);
    return cdPanel;
}

// Panel3: the text line, its font and colour.
QWidget *TZebCode::createTextPanel(QWidget *parent)
{
    m_panel3 = make<QWidget>("Panel3", parent);
    m_addCodeChar = make<TSkyGroupCheckBox>("AddCodeChar", m_panel3);
    m_addSChar = make<TSkyGroupCheckBox>("AddSChar", m_panel3);
    m_fontBtn = make<QPushButton>("FontBtn", m_panel3, texts::FontBtn());
    onClick(m_fontBtn, [this] { FontBtnClick(); });
    m_colorBtn = make<QPushButton>("ColorBtn", m_panel3, texts::ColorBtn());
    onClick(m_colorBtn, [this] { ColorBtnClick(); });
    m_charSmp = make<QLabel>("CharSmp", m_panel3, texts::CharSmp());
    TSkyGroupCheckBox::setGroup(m_fontBtn, kTextGroup);
    TSkyGroupCheckBox::setGroup(m_charSmp, kTextGroup);
    auto *h = row(m_panel3);
    h->setSpacing(2);
    for (QWidget *w : std::initializer_list<QWidget *>{m_addCodeChar, m_addSChar, m_fontBtn, m_colorBtn, m_charSmp})
        h->addWidget(w);
    h->addStretch(1);
    return m_panel3;
}

// QRPanel: version, error correction level, the assist form, escapes.
QWidget *TZebCode::createQRPanel(QWidget *parent)
{
    m_qrPanel = make<QWidget>("QRPanel", parent);
    m_qrVer = make<TWinSpinEdit>("QRVer", m_qrPanel);
    m_qrErr = make<TWholeComboBox>("QRErr", m_qrPanel);
    m_qrSubBtn = make<QPushButton>("QRSubBtn", m_qrPanel, texts::QRSubBtn());
    onClick(m_qrSubBtn, [this] { QRSubBtnClick(); });
    m_spCode = make<QCheckBox>("SpCode", m_qrPanel);
    auto *h = row(m_qrPanel);
    h->addWidget(label(texts::VersionLabel(), m_qrPanel));
    h->addWidget(m_qrVer);
    h->addWidget(label(texts::LevelLabel(), m_qrPanel));
    h->addWidget(m_qrErr);
    h->addWidget(m_qrSubBtn);
    h->addWidget(m_spCode);
    return m_qrPanel;
}

// Panel5: comment.
QWidget *TZebCode::createCommentPanel(QWidget *parent)
{
    m_panel5 = make<QWidget>("Panel5", parent);
    m_comnt = make<TSkyGroupCheckBox>("Comnt", m_panel5);
    m_comntStr = make<QLineEdit>("ComntStr", m_panel5);
    m_comntStr->installEventFilter(this);
    TSkyGroupCheckBox::setGroup(m_comntStr, kCommentGroup);
    m_comntPos = make<TWholeComboBox>("ComntPos", m_panel5);
    m_comntAl = make<TWholeComboBox>("ComntAl", m_panel5);
    auto *h = row(m_panel5);
    h->addWidget(m_comnt);
    h->addWidget(m_comntStr, 1);
    h->addWidget(m_comntPos);
    h->addWidget(m_comntAl);
    return m_panel5;
}

// Panel1: height and margins.
QWidget *TZebCode::createSizePanel(QWidget *parent)
{
    auto *panel1 = make<QWidget>("Panel1", parent);
    m_barHeight = make<TWinSpinEdit>("BarHeight", panel1);
    m_leftMargin = make<TWinSpinEdit>("LeftMargin", panel1);
    m_topMargin = make<TWinSpinEdit>("TopMargin", panel1);
    auto *h = row(panel1);
    h->addWidget(label(texts::HeightLabel(), panel1));
    h->addWidget(m_barHeight);
    h->addWidget(label(texts::LeftRightLabel(), panel1));
    h->addWidget(m_leftMargin);
    h->addWidget(label(texts::TopBottomLabel(), panel1));
    h->addWidget(m_topMargin);
    return panel1;
}

// The picture, on grey.
QWidget *TZebCode::createPictures(QWidget *parent)
{
    m_scrollBox = make<QScrollArea>("ScrollBox1", parent);
    m_scrollBox->setBackgroundRole(QPalette::Dark);
    auto *pictures = new QWidget;
    auto *pv = new QVBoxLayout(pictures);
    pv->setContentsMargins(4, 4, 4, 4);
    m_barImage = make<TPictureView>("BarImage1", pictures, &m_model->BarImage1);
    m_image1 = make<TPictureView>("Image1", pictures, &m_model->Image1);
    pv->addWidget(m_barImage, 0, Qt::AlignLeft | Qt::AlignTop);
    pv->addWidget(m_image1, 0, Qt::AlignLeft | Qt::AlignTop);
    pv->addStretch(1);
    m_scrollBox->setWidget(pictures);
    m_scrollBox->setWidgetResizable(true);
    return m_scrollBox;
}

void TZebCode::createStatusBar()
{
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->addWidget(m_status);
    // Beside the status text: why the last creation failed.
    m_reason = new TElidedLabel(this);
    m_reason->setObjectName(QStringLiteral("StatusReason"));
    statusBar()->addWidget(m_reason, 1);
    statusBar()->setSizeGripEnabled(false);
    // One line of text high (see TCompactMenuBarStyle).
    statusBar()->setFixedHeight(statusBar()->fontMetrics().height() + 1);
}

void TZebCode::createTrayIcon()
{
    m_trayIcon = new TTrayIcon2(this);
    m_trayIcon->setObjectName(QStringLiteral("TrayIcon21"));
    m_trayIcon->setIcon(ZebrixIcon());
    m_trayIcon->setTipHelp(texts::AppTitle());
    m_popupMenu1 = new QMenu(this);
    m_popupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    QAction *open = m_popupMenu1->addAction(texts::TrayOpen());
    open->setObjectName(QStringLiteral("Open1"));
    m_popupMenu1->addSeparator();
    QAction *close = m_popupMenu1->addAction(texts::TrayClose());
    close->setObjectName(QStringLiteral("Close2"));
    connect(open, &QAction::triggered, this, [this] { runGuarded([this] { Open1Click(); }); });
    connect(close, &QAction::triggered, this, [this] { runGuarded([this] { Close2Click(); }); });
    m_trayIcon->setRBPopupMenu(m_popupMenu1);
    m_trayIcon->OnDblClick = [this] { runGuarded([this] { Open1Click(); }); };
}

void TZebCode::bindModel()
{
    JobModel &m = *m_model;
    Bind(m_editCode, &m.EditCode);
    Bind(m_codeHistory, &m.CodeHistory);
    Bind(m_cdType, &m.CdType);
    Bind(m_thinWd, &m.ThinWd);
    Bind(m_boxDraw, &m.BoxDraw);
    Bind(m_checkDigit, &m.CheckDigit);
    Bind(m_startCh, &m.StartCh);
    Bind(m_stopCh, &m.StopCH);
    Bind(m_addCodeChar, &m.AddCodeChar);
    Bind(m_addSChar, &m.AddSChar);
    BindCommon(m_fontBtn, &m.FontBtn);
    BindCommon(m_charSmp, &m.CharSmp);
    Bind(m_qrVer, &m.QRVer);
    Bind(m_qrErr, &m.QRErr);
    BindCommon(m_qrSubBtn, &m.QRSubBtn);
    Bind(m_spCode, &m.SpCode);
    Bind(m_comnt, &m.Comnt);
    Bind(m_comntStr, &m.ComntStr);
    Bind(m_comntPos, &m.ComntPos);
    Bind(m_comntAl, &m.ComntAl);
    Bind(m_barHeight, &m.BarHeight);
    Bind(m_leftMargin, &m.LeftMargin);
    Bind(m_topMargin, &m.TopMargin);
    BindCommon(m_panel5, &m.Panel5);
    m_addCodeChar->setTag(kTextGroup);
    m_comnt->setTag(kCommentGroup);
    // Panel3 and QRPanel share their place.
    auto syncPanels = [this] {
        m_panel3->setEnabled(m_model->Panel3.Enabled());
        m_panel3Or4QR->setCurrentWidget(m_model->QRPanel.Visible() ? m_qrPanel : m_panel3);
    };
    connect(&m.Panel3, &TControlState::changed, this, syncPanels);
    connect(&m.QRPanel, &TControlState::changed, this, syncPanels);
    syncPanels();
    auto syncCharSmp = [this] { m_charSmp->setFont(m_model->Fnt); };
    connect(&m.CharSmp, &TControlState::changed, this, syncCharSmp);
    syncCharSmp();
    // BWin follows the menu item's check only when it is clicked itself.
    m_bWin->setChecked(m.BWindow.Checked());

    connect(&m, &JobModel::statusTextChanged, m_status, &QLabel::setText);
    connect(&m, &JobModel::failureReasonChanged, m_reason, &TElidedLabel::setFullText);
    connect(&m, &JobModel::errorOccurred, this, [this](const QString &message) { ShowError(message); });
    connect(&m, &JobModel::modeTextChanged, m_mode, &QLabel::setText);
    connect(&m, &JobModel::pictureChanged, this, &TZebCode::updatePictures);
    connect(&m, &JobModel::placeBarcodeWindow, this, &TZebCode::PlaceBarcodeWindow);
    connect(&m.BarImage1View, &TControlState::changed, this, &TZebCode::updatePictures);
    connect(&m.Image1View, &TControlState::changed, this, &TZebCode::updatePictures);
    m_status->setText(m.StatusText());
    m_reason->setFullText(m.FailureReason());
    m_mode->setText(m.ModeText());
}

void TZebCode::updatePictures()
{
    m_barImage->setVisible(m_model->BarImage1View.Visible());
    m_image1->setVisible(m_model->Image1View.Visible());
    m_barImage->refresh();
    m_image1->refresh();
}

// --- View modes -----------------------------------------------------------------------

int TZebCode::ViewHeight(TViewMode mode)
{
    return IsViewMode(mode) ? kViewHeights[int(mode) - 1] : 0;
}

void TZebCode::FormTypeClick(TViewMode mode)
{
    if (!IsViewMode(mode))
        return;
    m_viewMode = mode;
    const bool detail = mode == TViewMode::Detail;
    (detail ? m_viewDetail : mode == TViewMode::Normal ? m_viewNormal : m_viewMinimum)->setChecked(true);
    (detail ? m_viewDet : mode == TViewMode::Normal ? m_viewNor : m_viewMin)->setChecked(true);
    m_options->setVisible(detail);
    m_panel2->setFixedHeight(scaled(this, detail ? kPanel2Detail : kPanel2Small));
    m_scrollBox->setVisible(mode != TViewMode::Minimum);
    applyViewHeight();
    if (m_model->BWindow.Checked())
        PlaceBarcodeWindow();
}

// The height of the window's frame as the window manager reports it (none
// before the window is shown, or without a window manager).
int TZebCode::frameHeight() const
{
    const QWindow *w = windowHandle();
    return w ? w->frameMargins().top() + w->frameMargins().bottom() : 0;
}

void TZebCode::applyViewHeight()
{
    // The heights are those of the whole window, its frame included. A window
    // manager tells the frame only once the window is shown, and may change
    // it: the height follows (the window's exposure, moveEvent, resizeEvent).
    m_appliedFrame = frameHeight();
    // Never so low that the mode's rows are cut (a frame higher than the
    // heights were made for): the menu, Panel2 and the status line.
    const int rows = menuBar()->sizeHint().height() + m_panel2->maximumHeight() + statusBar()->maximumHeight();
    setFixedSize(scaled(this, kClientWidth),
                 std::max(scaled(this, ViewHeight(m_viewMode)) - m_appliedFrame, rows));
}

void TZebCode::followFrame()
{
    if (frameHeight() != m_appliedFrame)
        applyViewHeight();
}

void TZebCode::resizeEvent(QResizeEvent *e)
{
    QMainWindow::resizeEvent(e);
    followFrame();
}

TViewMode TZebCode::FormTypeValue() const
{
    return m_viewDetail->isChecked() ? TViewMode::Detail : m_viewNormal->isChecked() ? TViewMode::Normal : TViewMode::Minimum;
}

// --- Stay on top ----------------------------------------------------------------------

bool TZebCode::StayOnTop() const { return m_stayOnTop; }

void TZebCode::FStyleClick()
{
    // Changing the window's style renews its controls; the lists keep their selections.
    const int cdType = m_model->CdType.ItemIndex(), thinWd = m_model->ThinWd.ItemIndex();
    m_stayOnTop = !m_stayOnTop;
    m_fStyle->setChecked(m_stayOnTop);
    const bool shown = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, m_stayOnTop);
    if (shown)
        show();
    m_model->CdType.setItemIndex(cdType);
    m_model->ThinWd.setItemIndex(thinWd);
}

// --- The barcode window -------------------------------------------------------------------

void TZebCode::BWinClick()
{
    m_model->BWindow.setChecked(m_bWin->isChecked());
    ApplyBarcodeWindow();
}

void TZebCode::setBWinDown(bool down) { m_bWin->setChecked(down); }

void TZebCode::BWindowClick()
{
    // The menu item (and Ctrl+B) leaves the speed button as it is.
    m_model->BWindow.setChecked(!m_model->BWindow.Checked());
    ApplyBarcodeWindow();
}

void TZebCode::ApplyBarcodeWindow()
{
    if (m_model->BWindow.Checked()) {
        if (!m_barview)
            m_barview = new TBarview(this);
        PlaceBarcodeWindow();
        m_barview->show();
    } else if (m_barview) {
        m_barview->close();
        delete m_barview;
    }
}

void TZebCode::PlaceBarcodeWindow()
{
    if (m_barview)
        m_barview->Place(frameGeometry(), m_model->CurrentImage());
}

// --- The notification area --------------------------------------------------------------

bool TZebCode::SetTrayIconVisible(bool on)
{
    if (m_trayIcon->setVisible(on)) {
        m_trayIconItem->setChecked(m_model->ResTaskTray);
        return true;
    }
    // Where there is no notification area the icon cannot be registered, and
    // the window must not hide into nothing: residence ends.
    m_model->ResTaskTray = false;
    m_trayIconItem->setChecked(false);
    m_showMainForm = true;
    ShowError(texts::TrayRegisterFailed());
    return false;
}

void TZebCode::TrayIconClick()
{
    const bool on = !m_trayIconItem->isChecked();
    m_trayIconItem->setChecked(on);
    m_model->ResTaskTray = on;
    if (SetTrayIconVisible(on))
        m_showMainForm = !on;
}

void TZebCode::Open1Click()
{
    if (m_showMainForm) {
        m_showMainForm = false;
        hide();
        if (m_barview)
            m_barview->hide();
    } else {
        m_showMainForm = true;
        show();
        raise();
        activateWindow();
        if (m_barview)
            m_barview->show();
    }
}

void TZebCode::Close2Click()
{
    m_trayIcon->setVisible(false);
    m_model->TaskClose = true;
    close();
}

bool TZebCode::EnterTray()
{
    if (!SetTrayIconVisible(true))
        return false;
    m_showMainForm = false;
    return true;
}

// --- Language, help, about -----------------------------------------------------------------

void TZebCode::setLanguage(const QString &code)
{
    (code == u"en_US" ? m_langEN : m_langJP)->setChecked(true);
    m_model->SetLanguage(code);
    m_model->RestoreListIndexes();
}

QString TZebCode::HelpFile()
{
    // The executable's name with ".html", beside it or in the install's doc folder.
    const QString exe = ExecutableFolder();
    const QString name = ExecutableName() + QStringLiteral(".html");
    for (const QString &folder : {exe, exe + QStringLiteral("/../share/doc/zebrix"), exe + QStringLiteral("/../share/zebrix")}) {
        const QString path = QDir::cleanPath(folder + u'/' + name);
        if (QFileInfo::exists(path))
            return path;
    }
    return exe + u'/' + name;
}

void TZebCode::ContentsClick() { OpenHelp(HelpFile()); }

void TZebCode::OpenHelp(const QString &file)
{
    if (!QFileInfo(file).isFile()) {
        ShowError(texts::HelpMissing(file));
        return;
    }
    // The system's program for HTML documents; where there is none (no
    // xdg-open, or nothing registered for HTML), a window of Zebrix's own.
    auto *open = new QProcess(this);
    connect(open, &QProcess::finished, this, [this, open, file](int status, QProcess::ExitStatus how) {
        open->deleteLater();
        if (status != 0 || how != QProcess::NormalExit)
            ShowHelpWindow(file);
    });
    connect(open, &QProcess::errorOccurred, this, [this, open, file](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        open->deleteLater();
        ShowHelpWindow(file);
    });
    open->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    open->start(QStringLiteral("xdg-open"), {file});
}

void TZebCode::ShowHelpWindow(const QString &file)
{
    if (!m_helpWindow)
        m_helpWindow = new THelpWindow(file, this);
    m_helpWindow->show();
    m_helpWindow->raise();
    m_helpWindow->activateWindow();
}

void TZebCode::AboutClick()
{
    const QString library = m_model->LibraryLoaded() ? QFileInfo(m_model->Zhdl().fileName()).fileName() : QString();
    TAboutDlg dlg(library, this);
    dlg.exec();
}

// --- The QR assist form ---------------------------------------------------------------------------

void TZebCode::QRSubBtnClick()
{
    TQRForm form(m_model, this);
    form.exec();
}

// --- Printing ----------------------------------------------------------------------------------

QPrinter *TZebCode::Printer()
{
    if (!m_printerDevice)
        m_printerDevice = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return m_printerDevice.get();
}

void TZebCode::PrintMnuClick()
{
    TPrtDlg dlg(m_model, Printer(), this);
    if (dlg.exec() == QDialog::Accepted && !dlg.PrintError().isEmpty())
        ShowError(dlg.PrintError());
}

void TZebCode::PrinterMnuClick()
{
    QPrintDialog dlg(Printer(), this);
    dlg.setOption(QAbstractPrintDialog::PrintToFile, true);
    dlg.exec();   // its choice becomes the printer used
}

// --- Settings and closing -------------------------------------------------------------------

TWindowSettings TZebCode::WindowSettings() const
{
    TWindowSettings w;
    w.FormType = FormTypeValue();
    w.FormStyle = m_stayOnTop;
    const QRect frame = frameGeometry();
    w.Placement.Show = isMinimized() ? TShowState::Minimised : TShowState::Normal;
    w.Placement.Normal = QRect(frame.topLeft(), frame.size());
    w.Language = m_langEN->isChecked() ? QStringLiteral("en_US") : QStringLiteral("ja");
    return w;
}

void TZebCode::ApplyPlacement(const TWinPlacement &placement)
{
    const QRect r = placement.Normal;
    if (r.width() > 0 && r.height() > 0) {
        // The placement is that of the whole window, its frame included (as
        // WindowSettings writes it). Before the window is first shown its
        // frame is not known yet: the first show asks the window manager to
        // put the frame's corner there.
        move(r.topLeft());
        resize(r.width() - (frameGeometry().width() - width()), r.height() - (frameGeometry().height() - height()));
        m_framePosition = r.topLeft();
    }
    if (placement.Show == TShowState::Minimised)
        setWindowState(windowState() | Qt::WindowMinimized);
}

void TZebCode::finishClosing()
{
    if (m_closed)
        return;
    m_closed = true;
    JobModel &m = *m_model;
    // What there is to keep, unless the file says not to.
    if (const QString why = WriteSettings(m.Ini, m, WindowSettings()); !why.isEmpty())
        qCritical("%s", qPrintable(texts::SettingsNotSaved(m.Ini.FileName(), why)));
    if (m_barview) {
        m_barview->close();
        delete m_barview;
    }
    m.ClipboardWatcher1.setEnabled(false);
    m.ClipboardWatcher1.setOnChange(nullptr);
    // Zebrix leaves nothing of its own on the clipboard.
    TSystemClipboard::Clear();
    m_trayIcon->setVisible(false);
    m.UnloadLibrary();
}

void TZebCode::closeEvent(QCloseEvent *e)
{
    // Living in the notification area, the close box only hides the window,
    // and only into an icon that is there: never into nothing.
    if (m_model->ResTaskTray && !m_model->TaskClose && !m_closed) {
        if (EnterTray()) {
            hide();
            if (m_barview)
                m_barview->hide();
        }
        e->ignore();
        return;
    }
    runGuarded([this] { finishClosing(); });
    QMainWindow::closeEvent(e);
    emit closed();
}

// --- Events ---------------------------------------------------------------------------

bool TZebCode::menuShortcutFor(QObject *receiver, const QKeyEvent *key) const
{
    // The menu's shortcuts work wherever the focus is in the window: a text
    // field takes Ctrl+C only to copy the text selected in it, as text
    // fields do; without a selection Ctrl+C copies the symbol.
    auto *w = qobject_cast<QWidget *>(receiver);
    if (!w || w->window() != this)
        return false;
    const QKeySequence pressed(key->keyCombination());
    if (pressed == m_copy->shortcut())
        if (auto *edit = qobject_cast<QLineEdit *>(w); edit && edit->hasSelectedText())
            return false;
    for (const QAction *a : findChildren<QAction *>())
        if (!a->shortcut().isEmpty() && a->shortcut() == pressed && a->isEnabled())
            return true;
    return false;
}

bool TZebCode::eventFilter(QObject *watched, QEvent *e)
{
    if (e->type() == QEvent::ShortcutOverride && menuShortcutFor(watched, static_cast<QKeyEvent *>(e))) {
        e->ignore();   // not the text field's: the menu item's
        return true;
    }
    if (e->type() == QEvent::Expose && watched == windowHandle())
        followFrame();
    if (e->type() == QEvent::Resize && watched == m_editCode->parentWidget()) {
        // The history list is 20 pixels wider than the data line, under it.
        const QSize s = m_editCode->parentWidget()->size();
        m_codeHistory->setGeometry(0, 0, s.width(), s.height());
        m_editCode->setGeometry(0, 0, std::max(0, s.width() - 20), s.height());
        m_editCode->raise();
    }
    if ((e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease)
        && (watched == m_editCode || watched == m_codeHistory)) {
        const auto *k = static_cast<QKeyEvent *>(e);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            // Enter creates when it is released, and only when it was pressed
            // here too: the release of the Enter that closed a message box
            // lands in the data line, and must not raise the box again.
            if (e->type() == QEvent::KeyPress)
                m_enterPressed = true;
            else if (std::exchange(m_enterPressed, false))
                runGuarded([this] { m_model->Execute(); });
        }
    }
    if (e->type() == QEvent::KeyPress && watched == m_comntStr) {
        const auto *k = static_cast<QKeyEvent *>(e);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter)
            runGuarded([this] { m_model->RB_Click(); });
    }
    return QMainWindow::eventFilter(watched, e);
}

void TZebCode::focusWindowChanged(QWindow *focus)
{
    const bool main = focus && focus == windowHandle();
    // Where the focus was before: another window of Zebrix's own (a message
    // box, a dialog, the barcode window), or none of Zebrix's (another program).
    const bool fromOwnWindow = m_ownWindowHadFocus;
    m_ownWindowHadFocus = focus && !main;
    // Coming back to the window sets clipboard watching afresh and, from
    // another program, re-runs the creation. Coming back from a box of
    // Zebrix's own does not: the creation that failed would only raise its
    // box again.
    if (main && m_shownOnce)
        runGuarded([this, fromOwnWindow] {
            m_model->ApplyClipboardWatch();
            if (!fromOwnWindow)
                m_model->RB_Click();
        });
}

void TZebCode::moveEvent(QMoveEvent *e)
{
    QMainWindow::moveEvent(e);
    followFrame();
    // The barcode window follows the main window.
    if (m_barview)
        PlaceBarcodeWindow();
}

void TZebCode::showEvent(QShowEvent *e)
{
    QMainWindow::showEvent(e);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    // The frame is known once the window manager has the window on the
    // screen: its first exposure.
    windowHandle()->installEventFilter(this);
    if (m_framePosition)
        windowHandle()->setFramePosition(*m_framePosition);
    FormTypeClick(m_viewMode);
    // Ready for the data.
    m_editCode->setFocus();
    if (!m_model->EditCode.Text().isEmpty())
        runGuarded([this] { m_model->RB_Click(); });
    // "/EXIT" at start-up: created once, then the program ends.
    if (m_model->ExitFlag) {
        if (m_model->ResTaskTray) {
            m_model->TaskClose = true;
            m_model->ResTaskTray = false;
        }
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    }
}

// --- Menu commands ------------------------------------------------------------------

QString TZebCode::askSaveFileName()
{
    QFileDialog dlg(this, texts::SaveDialogTitle());
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    dlg.setOption(QFileDialog::DontConfirmOverwrite, false);
    dlg.setOption(QFileDialog::ReadOnly, false);
    dlg.setNameFilters(JobModel::SaveFilters());
    // Where the last save of this run went, as the platform's dialogs remember it.
    if (!m_lastSaveFolder.isEmpty())
        dlg.setDirectory(m_lastSaveFolder);
    // The extension added to a typed name is that of the filter shown: the
    // one the picture kind on screen preselects, then any the user picks.
    auto followFilter = [&dlg](const QString &filter) {
        const int open = filter.indexOf(u"(*.");
        if (open >= 0)
            dlg.setDefaultSuffix(filter.mid(open + 3).chopped(1));
    };
    connect(&dlg, &QFileDialog::filterSelected, &dlg, followFilter);
    const QString preselected = JobModel::SaveFilters().at(m_model->BarImage1.BarPicture() == pbarBMP ? 0 : 1);
    dlg.selectNameFilter(preselected);
    followFilter(preselected);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return {};
    return dlg.selectedFiles().constFirst();
}

void TZebCode::SaveAsMnuClick()
{
    const QString name = askSaveFileName();
    if (name.isEmpty())
        return;
    m_lastSaveFolder = QFileInfo(name).absolutePath();
    try {
        m_model->SaveFile(name);
    } catch (const std::exception &e) {
        QMessageBox::critical(this, texts::AppTitle(), QString::fromLocal8Bit(e.what()));
    }
}

void TZebCode::CopyMnuClick()
{
    // A copy the clipboard refused is reported as such.
    m_model->setStatusText(m_model->CopyPicture() ? texts::Copied() : texts::NotCopied());
}

void TZebCode::ColorBtnClick()
{
    TColDlg dlg(this);
    dlg.ColorPalette1()->setForegroundColor(m_model->BarImage1.BarColor());
    dlg.ColorPalette1()->setBackgroundColor(m_model->BarImage1.BackColor());
    if (dlg.exec() == QDialog::Accepted)
        m_model->ApplyColors(dlg.ColorPalette1()->foregroundColor(), dlg.ColorPalette1()->backgroundColor());
    runGuarded([this] { m_model->RB_Click(); });
}

void TZebCode::ColorDetailClick(bool bars)
{
    TBarImage &b = m_model->BarImage1;
    const QColor c = QColorDialog::getColor(ToQColor(bars ? b.BarColor() : b.BackColor()), this);
    if (!c.isValid())
        return;
    // Only the component's colour: QR and library symbols keep BarCol and BackCol.
    if (bars)
        b.setBarColor(FromQColor(c));
    else
        b.setBackColor(FromQColor(c));
    updatePictures();
}

void TZebCode::FontBtnClick()
{
    bool ok = false;
    const QFont f = QFontDialog::getFont(&ok, m_model->Fnt, this);
    if (ok)
        runGuarded([&] { m_model->ApplyFont(f, m_model->FntColor); });
}

void TZebCode::DeleteHistoryClick()
{
    if (QMessageBox::information(this, texts::AppTitle(), texts::DeleteHistoryQuestion(),
                                 QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    m_model->HistoryEx1.Clear();
    m_model->CodeHistory.setItems({});
}
