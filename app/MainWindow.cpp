#include "MainWindow.h"

#include "Binding.h"
#include "ColorDialog.h"
#include "ColorPalette.h"
#include "JobModel.h"
#include "PictureView.h"
#include "SystemClipboard.h"
#include "Texts.h"
#include "WinSpinEdit.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QFontDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

using namespace binding;

namespace {

QLabel *label(const QString &text, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setAlignment(Qt::AlignVCenter | Qt::AlignRight);
    return l;
}

QToolButton *speedButton(const QString &text, const QString &hint, QWidget *parent, bool checkable = false)
{
    auto *b = new QToolButton(parent);
    b->setText(text);
    b->setToolTip(hint);
    b->setCheckable(checkable);
    b->setAutoRaise(true);
    b->setFixedSize(26, 22);
    return b;
}

QWidget *panel(const QString &name, QWidget *parent)
{
    auto *w = new QWidget(parent);
    w->setObjectName(name);
    return w;
}

} // namespace

TZebCode::TZebCode(JobModel *model, QWidget *parent)
    : QMainWindow(parent), m_model(model)
{
    setObjectName(QStringLiteral("ZebCode"));
    setWindowTitle(texts::AppTitle());
    createActions();
    createMenus();
    setCentralWidget(createRows());
    createStatusBar();
    bindModel();
    updatePictures();
}

TZebCode::~TZebCode() = default;

void TZebCode::runGuarded(const std::function<void()> &action) { Guarded(this, action); }

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
    m_saveAs = action(QStringLiteral("SaveAsMnu"), texts::SaveAsMnu());
    connect(m_saveAs, &QAction::triggered, this, [this] { SaveAsMnuClick(); });
    m_close = action(QStringLiteral("CloseMnu"), texts::CloseMnu());
    connect(m_close, &QAction::triggered, this, [this] {
        m_model->TaskClose = true;
        close();
    });

    m_copy = action(QStringLiteral("CopyMnu"), texts::CopyMnu(), QKeySequence(Qt::CTRL | Qt::Key_C));
    connect(m_copy, &QAction::triggered, this, [this] { CopyMnuClick(); });
    auto *kinds = new QActionGroup(this);
    for (auto [slot, state] : {std::pair{&m_copyMf, &m.CopyMf}, std::pair{&m_copyEmf, &m.CopyEmf},
                               std::pair{&m_copyBm, &m.CopyBm}, std::pair{&m_copyJpg, &m.CopyJpg}}) {
        *slot = action(state->Name(), state->Caption());
        (*slot)->setCheckable(true);
        kinds->addAction(*slot);
        Bind(*slot, state);
    }
    m.CopyJpg.setVisible(false);   // never offered
    for (auto [slot, state] : {std::pair{&m_triming, &m.Triming}, std::pair{&m_pasteError, &m.PasteError},
                               std::pair{&m_autoCopy, &m.AutoCopy}}) {
        *slot = action(state->Name(), state->Caption());
        (*slot)->setCheckable(true);
        Bind(*slot, state);
    }
    m_deleteHistory = action(QStringLiteral("DeleteHistory"), texts::DeleteHistory());
    connect(m_deleteHistory, &QAction::triggered, this, [this] { DeleteHistoryClick(); });

    m_drawBcode = action(m.DrawBcode.Name(), m.DrawBcode.Caption(), QKeySequence(Qt::CTRL | Qt::Key_M));
    Bind(m_drawBcode, &m.DrawBcode);
    m_clipbrdWatch = action(m.ClipbrdWatch.Name(), m.ClipbrdWatch.Caption(), QKeySequence(Qt::CTRL | Qt::Key_W));
    m_clipbrdWatch->setCheckable(true);
    Bind(m_clipbrdWatch, &m.ClipbrdWatch);
    m_fontStyle = action(QStringLiteral("FontStyle"), texts::FontStyle());
    connect(m_fontStyle, &QAction::triggered, this, [this] { FontBtnClick(); });
    m_barColor = action(QStringLiteral("BarColor"), texts::BarColorMnu());
    connect(m_barColor, &QAction::triggered, this, [this] { ColorBtnClick(); });
    m_colorBar = action(QStringLiteral("ColorBar"), texts::ColorBar());
    connect(m_colorBar, &QAction::triggered, this, [this] { ColorDetailClick(true); });
    m_colorBack = action(QStringLiteral("ColorBack"), texts::ColorBack());
    connect(m_colorBack, &QAction::triggered, this, [this] { ColorDetailClick(false); });

    auto *modes = new QActionGroup(this);
    int mode = 1;
    for (auto [slot, name, text] : {std::tuple{&m_viewDetail, "ViewDetail", texts::ViewDetail()},
                                    std::tuple{&m_viewNormal, "ViewNormal", texts::ViewNormal()},
                                    std::tuple{&m_viewMinimum, "ViewMinimum", texts::ViewMinimum()}}) {
        *slot = action(QString::fromLatin1(name), text);
        (*slot)->setCheckable(true);
        modes->addAction(*slot);
        connect(*slot, &QAction::triggered, this, [this, mode] { setViewMode(mode); });
        ++mode;
    }
    m_viewDetail->setChecked(true);
}

void TZebCode::createMenus()
{
    m_fileMenu = menuBar()->addMenu(texts::FileMenu());
    m_fileMenu->setObjectName(QStringLiteral("FileMenu"));
    m_fileMenu->addAction(m_saveAs);
    m_fileMenu->addSeparator();
    m_fileMenu->addAction(m_close);

    m_editMenu = menuBar()->addMenu(texts::EditMenu());
    m_editMenu->setObjectName(QStringLiteral("EditMenu"));
    m_editMenu->addAction(m_copy);
    QMenu *kinds = m_editMenu->addMenu(texts::CopyKinds());
    kinds->addActions({m_copyMf, m_copyEmf, m_copyBm, m_copyJpg});
    QMenu *options = m_editMenu->addMenu(texts::CopyOptions());
    options->addActions({m_triming, m_pasteError});
    m_editMenu->addAction(m_autoCopy);
    m_editMenu->addSeparator();
    m_editMenu->addAction(m_deleteHistory);
    // The history can be deleted only when there is one.
    connect(m_editMenu, &QMenu::aboutToShow, this,
            [this] { m_deleteHistory->setEnabled(m_model->CodeHistory.Count() > 0); });

    m_viewMenu = menuBar()->addMenu(texts::ViewMenu());
    m_viewMenu->setObjectName(QStringLiteral("ViewMenu"));
    m_viewMenu->addAction(m_drawBcode);
    m_viewMenu->addAction(m_clipbrdWatch);
    QMenu *formType = m_viewMenu->addMenu(texts::FormType());
    formType->setObjectName(QStringLiteral("FormType"));
    formType->addActions({m_viewDetail, m_viewNormal, m_viewMinimum});
    m_viewMenu->addSeparator();
    m_viewMenu->addAction(m_fontStyle);
    m_viewMenu->addAction(m_barColor);
    QMenu *detail = m_viewMenu->addMenu(texts::ColorDetail());
    detail->addActions({m_colorBar, m_colorBack});
}

// --- Rows of the window --------------------------------------------------------------

QWidget *TZebCode::createRows()
{
    JobModel &m = *m_model;
    auto *central = new QWidget(this);
    auto *v = new QVBoxLayout(central);
    v->setContentsMargins(4, 2, 4, 0);
    v->setSpacing(2);

    // Title row: caption, mode summary, speed buttons.
    auto *title = new QHBoxLayout;
    title->addWidget(new QLabel(texts::DataCaption(), central));
    m_mode = new QLabel(central);
    m_mode->setObjectName(QStringLiteral("Mode"));
    title->addWidget(m_mode, 1);
    m_createBar = speedButton(texts::CreateBar(), texts::CreateBarHint(), central);
    m_createBar->setObjectName(QStringLiteral("CreateBar"));
    connect(m_createBar, &QToolButton::clicked, this, [this] { runGuarded([this] { m_model->Execute(); }); });
    m_copyBar = speedButton(texts::CopyBar(), texts::CopyBarHint(), central);
    m_copyBar->setObjectName(QStringLiteral("CopyBar"));
    connect(m_copyBar, &QToolButton::clicked, this, [this] { CopyMnuClick(); });
    m_viewDet = speedButton(texts::ViewDet(), QString(), central, true);
    m_viewNor = speedButton(texts::ViewNor(), QString(), central, true);
    m_viewMin = speedButton(texts::ViewMin(), QString(), central, true);
    m_viewDet->setObjectName(QStringLiteral("ViewDet"));
    m_viewNor->setObjectName(QStringLiteral("ViewNor"));
    m_viewMin->setObjectName(QStringLiteral("ViewMin"));
    m_viewDet->setChecked(true);
    int mode = 1;
    for (QToolButton *b : {m_viewDet, m_viewNor, m_viewMin}) {
        b->setAutoExclusive(true);
        connect(b, &QToolButton::clicked, this, [this, mode] { setViewMode(mode); });
        ++mode;
    }
    for (QToolButton *b : {m_createBar, m_copyBar, m_viewDet, m_viewNor, m_viewMin})
        title->addWidget(b);
    v->addLayout(title);

    // Data row: the data line over the history list, whose drop-down button
    // shows at its right end.
    auto *data = new QWidget(central);
    data->setFixedHeight(26);
    m_codeHistory = new QComboBox(data);
    m_codeHistory->setObjectName(QStringLiteral("CodeHistory"));
    m_editCode = new QLineEdit(data);
    m_editCode->setObjectName(QStringLiteral("EditCode"));
    m_editCode->installEventFilter(this);
    m_codeHistory->installEventFilter(this);
    data->installEventFilter(this);
    v->addWidget(data);

    m_options = new QWidget(central);
    auto *grid = new QGridLayout(m_options);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(2);
    int row = 0;

    // Panel4: symbology, width, frame.
    auto *panel4 = panel(QStringLiteral("Panel4"), m_options);
    auto *h4 = new QHBoxLayout(panel4);
    h4->setContentsMargins(0, 0, 0, 0);
    m_cdType = new QComboBox(panel4);
    m_cdType->setObjectName(QStringLiteral("CdType"));
    m_thinWd = new QComboBox(panel4);
    m_thinWd->setObjectName(QStringLiteral("ThinWd"));
    m_boxDraw = new QCheckBox(panel4);
    m_boxDraw->setObjectName(QStringLiteral("BoxDraw"));
    h4->addWidget(label(texts::CodeLabel(), panel4));
    h4->addWidget(m_cdType, 2);
    h4->addWidget(label(texts::WidthLabel(), panel4));
    h4->addWidget(m_thinWd, 1);
    h4->addWidget(m_boxDraw);
    grid->addWidget(panel4, row++, 0);

    // CDpanel: check digit, start and stop characters.
    auto *cdPanel = panel(QStringLiteral("CDpanel"), m_options);
    auto *hcd = new QHBoxLayout(cdPanel);
    hcd->setContentsMargins(0, 0, 0, 0);
    m_checkDigit = new QCheckBox(cdPanel);
    m_checkDigit->setObjectName(QStringLiteral("CheckDigit"));
    m_startCh = new QComboBox(cdPanel);
    m_startCh->setObjectName(QStringLiteral("StartCh"));
    m_stopCh = new QComboBox(cdPanel);
    m_stopCh->setObjectName(QStringLiteral("StopCH"));
    hcd->addWidget(m_checkDigit);
    hcd->addWidget(label(texts::StartLabel(), cdPanel));
    hcd->addWidget(m_startCh);
    hcd->addWidget(label(texts::StopLabel(), cdPanel));
    hcd->addWidget(m_stopCh);
    grid->addWidget(cdPanel, row++, 0);

    // Panel3 (text line, font, colour) and, in its place for QR Code, QRPanel.
    m_panel3Or4QR = new QStackedWidget(m_options);
    m_panel3 = panel(QStringLiteral("Panel3"), m_panel3Or4QR);
    auto *h3 = new QHBoxLayout(m_panel3);
    h3->setContentsMargins(0, 0, 0, 0);
    m_addCodeChar = new QCheckBox(m_panel3);
    m_addCodeChar->setObjectName(QStringLiteral("AddCodeChar"));
    m_addSChar = new QCheckBox(m_panel3);
    m_addSChar->setObjectName(QStringLiteral("AddSChar"));
    m_fontBtn = new QPushButton(texts::FontBtn(), m_panel3);
    m_fontBtn->setObjectName(QStringLiteral("FontBtn"));
    connect(m_fontBtn, &QPushButton::clicked, this, [this] { FontBtnClick(); });
    m_colorBtn = new QPushButton(texts::ColorBtn(), m_panel3);
    m_colorBtn->setObjectName(QStringLiteral("ColorBtn"));
    connect(m_colorBtn, &QPushButton::clicked, this, [this] { ColorBtnClick(); });
    m_charSmp = new QLabel(texts::CharSmp(), m_panel3);
    m_charSmp->setObjectName(QStringLiteral("CharSmp"));
    h3->addWidget(m_addCodeChar);
    h3->addWidget(m_addSChar);
    h3->addWidget(m_fontBtn);
    h3->addWidget(m_colorBtn);
    h3->addWidget(m_charSmp);
    h3->addStretch(1);
    m_qrPanel = panel(QStringLiteral("QRPanel"), m_panel3Or4QR);
    auto *hqr = new QHBoxLayout(m_qrPanel);
    hqr->setContentsMargins(0, 0, 0, 0);
    m_qrVer = new TWinSpinEdit(m_qrPanel);
    m_qrVer->setObjectName(QStringLiteral("QRVer"));
    m_qrErr = new QComboBox(m_qrPanel);
    m_qrErr->setObjectName(QStringLiteral("QRErr"));
    m_qrSubBtn = new QPushButton(texts::QRSubBtn(), m_qrPanel);
    m_qrSubBtn->setObjectName(QStringLiteral("QRSubBtn"));
    m_qrSubBtn->setEnabled(false);   // the assist form comes with its own release
    m_spCode = new QCheckBox(m_qrPanel);
    m_spCode->setObjectName(QStringLiteral("SpCode"));
    hqr->addWidget(label(texts::VersionLabel(), m_qrPanel));
    hqr->addWidget(m_qrVer);
    hqr->addWidget(label(texts::LevelLabel(), m_qrPanel));
    hqr->addWidget(m_qrErr);
    hqr->addWidget(m_qrSubBtn);
    hqr->addWidget(m_spCode);
    m_panel3Or4QR->addWidget(m_panel3);
    m_panel3Or4QR->addWidget(m_qrPanel);
    grid->addWidget(m_panel3Or4QR, row++, 0);

    // Panel5: comment.
    m_panel5 = panel(QStringLiteral("Panel5"), m_options);
    auto *h5 = new QHBoxLayout(m_panel5);
    h5->setContentsMargins(0, 0, 0, 0);
    m_comnt = new QCheckBox(m_panel5);
    m_comnt->setObjectName(QStringLiteral("Comnt"));
    m_comntStr = new QLineEdit(m_panel5);
    m_comntStr->setObjectName(QStringLiteral("ComntStr"));
    m_comntStr->installEventFilter(this);
    m_comntPos = new QComboBox(m_panel5);
    m_comntPos->setObjectName(QStringLiteral("ComntPos"));
    m_comntAl = new QComboBox(m_panel5);
    m_comntAl->setObjectName(QStringLiteral("ComntAl"));
    h5->addWidget(m_comnt);
    h5->addWidget(m_comntStr, 1);
    h5->addWidget(m_comntPos);
    h5->addWidget(m_comntAl);
    grid->addWidget(m_panel5, row++, 0);

    // Panel1: height and margins.
    auto *panel1 = panel(QStringLiteral("Panel1"), m_options);
    auto *h1 = new QHBoxLayout(panel1);
    h1->setContentsMargins(0, 0, 0, 0);
    m_barHeight = new TWinSpinEdit(panel1);
    m_barHeight->setObjectName(QStringLiteral("BarHeight"));
    m_leftMargin = new TWinSpinEdit(panel1);
    m_leftMargin->setObjectName(QStringLiteral("LeftMargin"));
    m_topMargin = new TWinSpinEdit(panel1);
    m_topMargin->setObjectName(QStringLiteral("TopMargin"));
    h1->addWidget(label(texts::HeightLabel(), panel1));
    h1->addWidget(m_barHeight);
    h1->addWidget(label(texts::LeftRightLabel(), panel1));
    h1->addWidget(m_leftMargin);
    h1->addWidget(label(texts::TopBottomLabel(), panel1));
    h1->addWidget(m_topMargin);
    grid->addWidget(panel1, row++, 0);
    v->addWidget(m_options);

    // The picture, on grey.
    m_scrollBox = new QScrollArea(central);
    m_scrollBox->setObjectName(QStringLiteral("ScrollBox1"));
    m_scrollBox->setBackgroundRole(QPalette::Dark);
    auto *pictures = new QWidget;
    auto *pv = new QVBoxLayout(pictures);
    pv->setContentsMargins(4, 4, 4, 4);
    m_barImage = new TPictureView(&m.BarImage1, pictures);
    m_barImage->setObjectName(QStringLiteral("BarImage1"));
    m_image1 = new TPictureView(&m.Image1, pictures);
    m_image1->setObjectName(QStringLiteral("Image1"));
    pv->addWidget(m_barImage, 0, Qt::AlignLeft | Qt::AlignTop);
    pv->addWidget(m_image1, 0, Qt::AlignLeft | Qt::AlignTop);
    pv->addStretch(1);
    m_scrollBox->setWidget(pictures);
    m_scrollBox->setWidgetResizable(true);
    m_scrollBox->setMinimumHeight(120);
    v->addWidget(m_scrollBox, 1);
    return central;
}

void TZebCode::createStatusBar()
{
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->addWidget(m_status, 1);
    statusBar()->setSizeGripEnabled(false);
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
    Bind(m_spCode, &m.SpCode);
    Bind(m_comnt, &m.Comnt);
    Bind(m_comntStr, &m.ComntStr);
    Bind(m_comntPos, &m.ComntPos);
    Bind(m_comntAl, &m.ComntAl);
    Bind(m_barHeight, &m.BarHeight);
    Bind(m_leftMargin, &m.LeftMargin);
    Bind(m_topMargin, &m.TopMargin);
    BindCommon(m_panel5, &m.Panel5);
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

    connect(&m, &JobModel::statusTextChanged, m_status, &QLabel::setText);
    connect(&m, &JobModel::errorOccurred, this, [this](const QString &message) { ShowError(this, message); });
    connect(&m, &JobModel::modeTextChanged, m_mode, &QLabel::setText);
    connect(&m, &JobModel::pictureChanged, this, &TZebCode::updatePictures);
    connect(&m.BarImage1View, &TControlState::changed, this, &TZebCode::updatePictures);
    connect(&m.Image1View, &TControlState::changed, this, &TZebCode::updatePictures);
    m_status->setText(m.StatusText());
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

void TZebCode::setViewMode(int mode)
{
    if (mode < 1 || mode > 3)
        return;
    m_viewMode = mode;
    m_options->setVisible(mode == 1);
    m_scrollBox->setVisible(mode != 3);
    (mode == 1 ? m_viewDetail : mode == 2 ? m_viewNormal : m_viewMinimum)->setChecked(true);
    (mode == 1 ? m_viewDet : mode == 2 ? m_viewNor : m_viewMin)->setChecked(true);
    centralWidget()->adjustSize();
    adjustSize();
    if (mode == 3)
        resize(width(), minimumSizeHint().height());
}

// --- Events ---------------------------------------------------------------------------

bool TZebCode::eventFilter(QObject *watched, QEvent *e)
{
    if (e->type() == QEvent::Resize && watched == m_editCode->parentWidget()) {
        // The history list is 20 pixels wider than the data line, under it.
        const QSize s = m_editCode->parentWidget()->size();
        m_codeHistory->setGeometry(0, 0, s.width(), s.height());
        m_editCode->setGeometry(0, 0, std::max(0, s.width() - 20), s.height());
        m_editCode->raise();
    }
    if (e->type() == QEvent::KeyRelease && (watched == m_editCode || watched == m_codeHistory)) {
        const auto *k = static_cast<QKeyEvent *>(e);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter)
            runGuarded([this] { m_model->Execute(); });
    }
    if (e->type() == QEvent::KeyPress && watched == m_comntStr) {
        const auto *k = static_cast<QKeyEvent *>(e);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter)
            runGuarded([this] { m_model->RB_Click(); });
    }
    return QMainWindow::eventFilter(watched, e);
}

void TZebCode::changeEvent(QEvent *e)
{
    QMainWindow::changeEvent(e);
    // Coming back to the window sets clipboard watching afresh and re-runs
    // the creation.
    if (e->type() == QEvent::ActivationChange && isActiveWindow() && m_shownOnce)
        runGuarded([this] {
            m_model->ApplyClipboardWatch();
            m_model->RB_Click();
        });
}

void TZebCode::closeEvent(QCloseEvent *e)
{
    // Living in the notification area, the close box only hides the window,
    // and only into an icon that is there: never into nothing.
    if (m_model->ResTaskTray && !m_model->TaskClose) {
        if (m_enterTray && m_enterTray())
            hide();
        e->ignore();
        return;
    }
    // Zebrix leaves nothing of its own on the clipboard.
    m_model->ClipboardWatcher1.setEnabled(false);
    m_model->ClipboardWatcher1.setOnChange(nullptr);
    TSystemClipboard::Clear();
    QMainWindow::closeEvent(e);
}

void TZebCode::showEvent(QShowEvent *e)
{
    QMainWindow::showEvent(e);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    if (!m_model->EditCode.Text().isEmpty())
        runGuarded([this] { m_model->RB_Click(); });
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
    TColDlg dlg(m_model->LLanguage, this);
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
