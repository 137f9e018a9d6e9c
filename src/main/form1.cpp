#include "main/form1.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QEnterEvent>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTextBrowser>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

#include "ui/art.h"
#include "app/ui/homepage.h"
#include "model/info.h"
#include "store/dbfile.h"
#include "store/log.h"
#include "spreadsheet/ui/tfrmchninfo.h"
#include "spreadsheet/ui/tfrmprkb.h"
#include "spreadsheet/ui/tfrmprkball.h"
#include "timetable/ui/schoolpage.h"
#include "timetable/ui/timetablepage.h"
#include "ui/widget_asker.h"
#include "users/ui/frmlogin.h"

namespace tavrin::mainwin {

// The window was the home page's neighbour before it became the program's own: it speaks
// the home page's vocabulary and draws with the kit's pictures.
using namespace tavrin::app;
using namespace tavrin::app::ui;
using namespace tavrin::ui;

using tavrin::ui::Answer;
using tavrin::ui::Buttons;
using tavrin::ui::Icon;
using tavrin::ui::KbAll;
using tavrin::ui::KbBan;
using tavrin::ui::KbNone;
using tavrin::ui::KbRenke;
using tavrin::ui::KbTea;
using tavrin::ui::Page;
using tavrin::ui::SaveAnswer;

// ---------------------------------------------------------------- MenuImage

MenuImage::MenuImage(QWidget* parent) : QWidget(parent)
{
    setObjectName("imgTopMu");
    setFixedSize(40, 40);
    setCursor(Qt::PointingHandCursor);
}

void MenuImage::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    paintMenuPicture(p, rect(), state_);
}

void MenuImage::enterEvent(QEnterEvent*)
{
    state_ = 1;
    update();
}

void MenuImage::leaveEvent(QEvent*)
{
    state_ = 0;
    update();
}

void MenuImage::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton) {
        state_ = 2;
        update();
    }
}

void MenuImage::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton)
        return;
    state_ = rect().contains(e->position().toPoint()) ? 1 : 0;
    update();
    if (state_ == 1)
        Q_EMIT released();
}

// ---------------------------------------------------------------- construction

TForm1::TForm1(store::Store& store) : TForm1(store, Options{}) {}

TForm1::TForm1(store::Store& store, Options options) : store_(store), kbStep_(new tavrin::ui::KbStep(this))
{
    setObjectName("TForm1");
    setWindowTitle(QStringLiteral("Tavrin10.1"));
    if (options.asker) {
        asker_ = options.asker;
    } else {
        ownAsker_ = std::make_unique<tavrin::ui::WidgetAsker>(this);
        asker_ = ownAsker_.get();
    }
    urlOpener_ = [](const QUrl& u) { return QDesktopServices::openUrl(u); };
    helpDir_ = QCoreApplication::applicationDirPath() + QStringLiteral("/help");

    auto* central = new QWidget(this);
    auto* lay = new QVBoxLayout(central);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(0);
    setCentralWidget(central);
    buildTopBar();
    lay->addWidget(pnlTop_);
    pgc1_ = new QStackedWidget(central);
    pgc1_->setObjectName("pgc1");
    lay->addWidget(pgc1_, 1);
    buildPages(options);

    stat1_ = new QLabel(this);
    stat1_->setObjectName("stat1");
    stat1_->setContentsMargins(8, 0, 8, 0);
    statusBar()->addWidget(stat1_, 1);
    statusBar()->setSizeGripEnabled(true);
    statusBar()->setStyleSheet("QStatusBar{background:#f0f3f7;color:#3d4a5c;border-top:1px solid #d8dfe9;}");

    buildMenus();

    actSave_ = new QAction(QStringLiteral("保存"), this);
    actSave_->setObjectName("actSave");
    actSave_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    connect(actSave_, &QAction::triggered, this, &TForm1::save);
    addAction(actSave_);
    actHelp_ = new QAction(QStringLiteral("帮助"), this);
    actHelp_->setObjectName("actHelp");
    actHelp_->setShortcut(QKeySequence(Qt::Key_F1));
    connect(actHelp_, &QAction::triggered, this, &TForm1::help);
    addAction(actHelp_);

    frmLogin_ = new users::ui::TfrmLogin(store_, session_, *asker_, this);
    frmSetUserPass_ = new users::ui::TFrmSetUserPass(store_, session_, *asker_, this);
    frmNewUser_ = new users::ui::TFrmNewUser(store_, session_, *asker_, this);

    setTopBarForPage(0);
    loadMain();
    ts0_->setDataPath(QDir::toNativeSeparators(QFileInfo(QString::fromStdString(store_.path().string())).absoluteFilePath()));

    setMinimumSize(960, 640);
    resize(1120, 720);
    if (QScreen* s = screen()) {
        QRect g = s->availableGeometry();
        move(g.center() - QPoint(width() / 2, height() / 2));
    }
}

TForm1::~TForm1()
{
    // Pages hold the timetable step by reference: they go before it does.
    for (auto*& p : pages_) {
        delete p;
        p = nullptr;
    }
}

void TForm1::buildTopBar()
{
    pnlTop_ = new QWidget(this);
    pnlTop_->setObjectName("pnlTop");
    pnlTop_->setAttribute(Qt::WA_StyledBackground);
    pnlTop_->setFixedHeight(50);
    pnlTop_->setStyleSheet(
        "#pnlTop{background:qlineargradient(x1:0,y1:0,x2:1,y2:0,stop:0 #16294a,stop:1 #1f3f6b);}"
        "#pnlTop QPushButton{color:white;background:transparent;border:1px solid transparent;"
        "border-radius:6px;padding:5px 16px;font-size:14px;}"
        "#pnlTop QPushButton:hover{background:rgba(255,255,255,36);}"
        "#pnlTop QPushButton:pressed{background:rgba(255,255,255,60);}"
        "#pnlTop QPushButton:checked{background:rgba(255,255,255,52);border-color:rgba(255,255,255,90);}"
        "#pnlTop #btnSave{background:#2f6fc4;}"
        "#pnlTop #btnSave:hover{background:#3b7fd6;}"
        "#pnlTop QLabel{color:white;font-size:15px;font-weight:bold;}"
        // While a run holds the window the bar must look as dead as it is.
        "#pnlTop QPushButton:disabled{color:rgba(255,255,255,90);}"
        "#pnlTop #btnSave:disabled{background:rgba(47,111,196,110);}");
    auto* h = new QHBoxLayout(pnlTop_);
    h->setContentsMargins(8, 5, 12, 5);
    h->setSpacing(6);
    // The switch buttons sit between two sides of one fixed width, so that neither a longer
    // page caption nor a page without 保存 moves them from page to page.
    auto side = [&](const char* name) {
        auto* w = new QWidget(pnlTop_);
        w->setObjectName(name);
        auto* l = new QHBoxLayout(w);
        l->setContentsMargins(0, 0, 0, 0);
        l->setSpacing(h->spacing());
        return std::pair{w, l};
    };
    const auto leftSide = side("pnlTopLeft");
    const auto rightSide = side("pnlTopRight");
    QWidget* left = leftSide.first;
    QHBoxLayout* leftLay = leftSide.second;
    QWidget* right = rightSide.first;
    QHBoxLayout* rightLay = rightSide.second;
    topLeft_ = left;
    topRight_ = right;
    imgTopMu_ = new MenuImage(left);
    connect(imgTopMu_, &MenuImage::released, this, &TForm1::popupCommandMenu);
    leftLay->addWidget(imgTopMu_);
    lblCaption_ = new QLabel(left);
    lblCaption_->setObjectName("lblCaption");
    leftLay->addWidget(lblCaption_);
    leftLay->addStretch(1);
    h->addWidget(left);
    h->addStretch(1);

    biaoGroup_ = new QButtonGroup(this);
    biaoGroup_->setExclusive(true);
    static const char* const biao[] = {"", "班级表", "教师表", "总课程表", "总任课表"};
    for (int k = 1; k <= 4; ++k) {
        auto* b = new QPushButton(QString::fromUtf8(biao[k]), pnlTop_);
        b->setObjectName(QStringLiteral("btnBiao%1").arg(k));
        b->setCheckable(true);
        b->setToolTip(QStringLiteral("切换课程表"));
        b->setCursor(Qt::PointingHandCursor);
        biaoGroup_->addButton(b, k);
        btnBiao_[static_cast<std::size_t>(k)] = b;
        h->addWidget(b);
        connect(b, &QPushButton::clicked, this, [this, k] {
            guarded([&] {
                if (Page* p = page(currentIndex()))
                    p->showTable(k);
            });
        });
    }
    h->addStretch(1);
    h->addWidget(right);
    rightLay->addStretch(1);

    auto makeButton = [&](const char* name, const char* caption, const char* hint) {
        auto* b = new QPushButton(QString::fromUtf8(caption), right);
        b->setObjectName(name);
        b->setToolTip(QString::fromUtf8(hint));
        b->setCursor(Qt::PointingHandCursor);
        b->setFocusPolicy(Qt::NoFocus);
        rightLay->addWidget(b);
        return b;
    };
    btnSave_ = makeButton("btnSave", "保存", "保存数据(Ctrl+S)");
    btnCancel_ = makeButton("btnCancel", "返回", "返回主界面");
    btnClose_ = makeButton("btnClose", "关闭", "退出排课系统");
    btnHelp_ = makeButton("btnHelp", "帮助", "帮助及视频演示");
    connect(btnSave_, &QPushButton::clicked, this, &TForm1::save);
    connect(btnCancel_, &QPushButton::clicked, this, &TForm1::goBack);
    connect(btnClose_, &QPushButton::clicked, this, &QWidget::close);
    connect(btnHelp_, &QPushButton::clicked, this, &TForm1::help);

    const std::pair<QWidget*, const char*> hovers[] = {
        {imgTopMu_, "弹出命令列表。"},
        {btnCancel_, "返回主界面"},
        {btnClose_, "退出Tavrin"},
        {btnSave_, "保存数据"},
        {btnHelp_, "打开这个步骤的说明、操作视频。(F1)"},
        {btnBiao_[1], "切换至班级课程表"},
        {btnBiao_[2], "切换至教师课程表"},
        {btnBiao_[3], "切换至总课程表"},
        {btnBiao_[4], "切换至总任课表"},
    };
    for (auto [w, text] : hovers) {
        w->setProperty("tavrinHoverStatus", QString::fromUtf8(text));
        w->installEventFilter(this);
    }
    balanceTopBarSides();
}

void TForm1::balanceTopBarSides()
{
    // Wide enough for the longest caption on the left and for every button a page can show
    // on the right (返回 and 关闭 take turns).
    lblCaption_->ensurePolished();
    const QFontMetrics fm(lblCaption_->font());
    int caption = 0;
    for (int i = 0; i <= 9; ++i)
        caption = std::max(caption, fm.horizontalAdvance(tavrin::ui::pageCaption(i)));
    const int spacing = topLeft_->layout()->spacing();
    const int leftWidth = imgTopMu_->width() + spacing + caption + lblCaption_->margin() * 2 + 2;
    auto hint = [](QPushButton* b) {
        b->ensurePolished();
        return b->sizeHint().width();
    };
    const int rightWidth =
        hint(btnSave_) + std::max(hint(btnCancel_), hint(btnClose_)) + hint(btnHelp_) + 2 * spacing;
    const int width = std::max(leftWidth, rightWidth);
    topLeft_->setFixedWidth(width);
    topRight_->setFixedWidth(width);
}

void TForm1::buildPages(const Options& options)
{
    ts0_ = new HomePage(*this, pgc1_);
    pages_[0] = ts0_;
    pgc1_->addWidget(ts0_);
    connect(ts0_, &HomePage::stepClicked, this, [this](int s) {
        if (s == 6)
            popupOpenKb();
        else
            openStep(s);
    });
    connect(ts0_, &HomePage::clearClicked, this, &TForm1::clearStep);
    connect(ts0_, &HomePage::userMenuRequested, this, [this](QPoint at) { pmUser_->popup(at); });
    connect(ts0_, &HomePage::restoreRequested, this, &TForm1::restoreData);
    connect(ts0_, &HomePage::backupRequested, this, &TForm1::backupData);

    const auto& registered = tavrin::ui::registeredPages();
    for (int i = 1; i <= 9; ++i) {
        Page* p = nullptr;
        if (auto it = options.pages.find(i); it != options.pages.end()) {
            p = it->second(*this);
        } else if (options.useRegisteredPages) {
            if (auto r = registered.find(i); r != registered.end())
                p = r->second(*this);
        }
        if (!p)
            p = new tavrin::ui::PlaceholderPage(*this, i);
        p->setObjectName(QStringLiteral("ts%1").arg(i));
        pages_[static_cast<std::size_t>(i)] = p;
        pgc1_->addWidget(p);
    }
    if (auto* tp = tavrin::timetable::ui::TimetablePage::of(*this)) {
        tp->setExportHandler([this, tp] {
            const auto& kb = tp->data();
            const bool ban = tp->selKB() != tavrin::ui::KbTea;
            tavrin::spreadsheet::openTimetableExport(this, kb.school, kb.gridB(), kb.gridT(), store(), asker(),
                                                    tp->kbLayout(), ban, ban ? tp->nowBan() : tp->nowTea());
        });
        // "调动课程表": the same dialog with exactly the changed timetables ticked.
        tp->setChangedExportHandler([this, tp](const std::vector<tavrin::timetable::ChangedTable>& tables) {
            const auto& kb = tp->data();
            tavrin::spreadsheet::TfrmPrKb d(kb.school, kb.gridB(), kb.gridT(), store(), asker(),
                                            tp->kbLayout() == 1 ? 2 : 1, this);
            for (const auto& t : tables) {
                auto& marks = t.side == tavrin::timetable::KbSide::Ban ? d.BanIsSel : d.TeaIsSel;
                if (t.id >= 0 && t.id < static_cast<int>(marks.size()))
                    marks[static_cast<std::size_t>(t.id)] = true;
            }
            d.exec();
        });
        // "调课通知": the notices of what changed since the step was entered. A viewer may
        // write them too: they change nothing of the school.
        tp->setNoticeHandler([this, tp] {
            const auto& kb = tp->data();
            tavrin::spreadsheet::openChangeNotices(this, kb.school, kb.base, kb.gridB(), kb.gridT(), store().path(),
                                                   asker());
        });
        // The whole-school tables export what the class page holds: one timetable for all.
        using tavrin::spreadsheet::SchoolTable;
        for (auto [index, kind] : {std::pair{7, SchoolTable::Timetable}, std::pair{8, SchoolTable::Assignments}}) {
            if (auto* sp = qobject_cast<tavrin::timetable::ui::SchoolTablePage*>(pages_[static_cast<std::size_t>(index)]))
                sp->setExportHandler([this, tp, kind = kind] {
                    const auto& kb = tp->data();
                    tavrin::spreadsheet::openSchoolExport(this, kb.school, kb.gridB(), kb.gridT(), store(), asker(),
                                                          kind);
                });
        }
    }
    pgc1_->setCurrentWidget(ts0_);
}

void TForm1::buildMenus()
{
    auto add = [this](QMenu* m, const char* name, const char* caption, auto slot) {
        auto* a = m->addAction(QString::fromUtf8(caption));
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };

    pmUser_ = new QMenu(this);
    pmUser_->setObjectName("pmUser");
    add(pmUser_, "mniChnUser", "切换用户", [this] { switchUser(); });
    add(pmUser_, "mniChnUserPass", "修改密码", [this] { changePassword(); });
    add(pmUser_, "mniNewUser", "建立新用户", [this] { newUser(); });
    add(pmUser_, "mniDelUser", "删除用户", [this] { deleteUser(); });

    pmOpenKb_ = new QMenu(this);
    pmOpenKb_->setObjectName("pmOpenKb");
    add(pmOpenKb_, "mniKb1", "班级课程表", [this] { openTimetable(KbBan); });
    add(pmOpenKb_, "mniKb2", "教师课程表", [this] { openTimetable(KbTea); });
    add(pmOpenKb_, "mniKb3", "总课程表", [this] { openTimetable(KbAll); });
    add(pmOpenKb_, "mniKb4", "总任课表", [this] { openTimetable(KbRenke); });

    pmTs0_ = new QMenu(this);
    pmTs0_->setObjectName("pmTs0");
    add(pmTs0_, "mniClose", "关闭", [this] { close(); });
    pmTs0_->addSeparator();
    add(pmTs0_, "mniMain1", "设置班级", [this] { openStep(1); });
    add(pmTs0_, "mniClearMain1", "清除", [this] { clearStep(1); });
    pmTs0_->addSeparator();
    add(pmTs0_, "mniMain2", "设置课时", [this] { openStep(2); });
    add(pmTs0_, "mniClearMain2", "清除", [this] { clearStep(2); });
    pmTs0_->addSeparator();
    add(pmTs0_, "mniMain3", "设置科目", [this] { openStep(3); });
    add(pmTs0_, "mniClearMain3", "清除", [this] { clearStep(3); });
    pmTs0_->addSeparator();
    add(pmTs0_, "mniMain4", "设置任课", [this] { openStep(4); });
    add(pmTs0_, "mniClearMain4", "清除", [this] { clearStep(4); });
    pmTs0_->addSeparator();
    add(pmTs0_, "mniMain5", "开始排课", [this] { openStep(5); });
    pmTs0_->addSeparator();
    add(pmTs0_, "mniOpenKb1", "打开班级课程表", [this] { openTimetable(KbBan); });
    add(pmTs0_, "mniOpenKb2", "打开教师课程表", [this] { openTimetable(KbTea); });
    add(pmTs0_, "mniOpenKb3", "打开总课程表", [this] { openTimetable(KbAll); });
    add(pmTs0_, "mniOpenKb4", "打开总任课表", [this] { openTimetable(KbRenke); });
    add(pmTs0_, "mniClearMain6", "清除", [this] { clearStep(6); });
    pmTs0_->addSeparator();
    add(pmTs0_, "mniCover", "代课安排", [this] { openCover(); });
    pmTs0_->addSeparator();
    add(pmTs0_, "mniChnUser2", "切换用户", [this] { switchUser(); });
    add(pmTs0_, "mniChnUserPass2", "修改密码", [this] { changePassword(); });
    add(pmTs0_, "mniNewUser2", "建立新用户", [this] { newUser(); });
    add(pmTs0_, "mniDelUser2", "删除用户", [this] { deleteUser(); });
    pmTs0_->addSeparator();
    add(pmTs0_, "mniReData", "恢复数据", [this] { restoreData(); });
    add(pmTs0_, "mniBackData", "备份数据", [this] { backupData(); });
    pmTs0_->addSeparator();
    auto* h = add(pmTs0_, "mniHelp", "帮助", [this] { help(); });
    h->setShortcut(QKeySequence(Qt::Key_F1));
    h->setShortcutContext(Qt::WidgetShortcut);  // F1 itself is the window's actHelp
    connect(pmTs0_, &QMenu::aboutToShow, this, &TForm1::updateHomeMenu);

    pmPage_ = new QMenu(this);
    pmPage_->setObjectName("pmPage");
    add(pmPage_, "mniPageSave", "保存", [this] { save(); });
    add(pmPage_, "mniPageBack", "返回", [this] { goBack(); });
    pmPage_->addSeparator();
    add(pmPage_, "mniPageHelp", "帮助", [this] { help(); });
}

QAction* TForm1::action(const char* name) const
{
    return findChild<QAction*>(QString::fromUtf8(name));
}

// ---------------------------------------------------------------- Shell

void TForm1::setStatus(const QString& text)
{
    stat1_->setText(text);
}

QString TForm1::status() const
{
    return stat1_->text();
}

bool TForm1::refuseViewer()
{
    return tavrin::ui::refuseViewer(session_, *asker_);
}

Page* TForm1::page(int index)
{
    if (index < 0 || index > 9)
        return nullptr;
    return pages_[static_cast<std::size_t>(index)];
}

int TForm1::currentIndex() const
{
    for (int i = 0; i <= 9; ++i)
        if (pgc1_->currentWidget() == pages_[static_cast<std::size_t>(i)])
            return i;
    return 0;
}

void TForm1::switchToPage(int index)
{
    Page* p = page(index);
    if (!p)
        return;
    pgc1_->setCurrentWidget(p);
    setTopBarForPage(index);
}

QAbstractButton* TForm1::biaoButton(int k)
{
    if (k < 1 || k > 4)
        return nullptr;
    return btnBiao_[static_cast<std::size_t>(k)];
}

void TForm1::processEvents()
{
    QCoreApplication::processEvents();
}

void TForm1::setTopBarEnabled(bool on)
{
    pnlTop_->setEnabled(on);
}

bool TForm1::guarded(const std::function<void()>& f)
{
    try {
        f();
        return true;
    } catch (const std::exception& e) {
        store::logFault("window", e.what());
        asker_->inform(QString::fromStdString(store::userMessage(e)), QStringLiteral("Tavrin"), Icon::Critical);
    }
    return false;
}

// ---------------------------------------------------------------- pages

void TForm1::setTopBarForPage(int index)
{
    Page* p = page(index);
    lblCaption_->setText(tavrin::ui::pageCaption(index));
    btnClose_->setVisible(index == 0);
    btnCancel_->setVisible(index != 0);
    btnSave_->setVisible(index != 0 && p && p->hasSave());
    btnSave_->setText(QStringLiteral("保存"));
    btnSave_->setToolTip(QStringLiteral("保存数据(Ctrl+S)"));
    for (int k = 1; k <= 4; ++k)
        btnBiao_[static_cast<std::size_t>(k)]->setVisible(index >= 6 && index <= 8);
}

void TForm1::loadMain()
{
    guarded([&] { home_ = app::loadMain(store_); });
    ts0_->apply(home_);
    setStatus(QString::fromStdString(home_.status));
}

void TForm1::tellRowsNotLoaded()
{
    std::string line;
    if (!guarded([&] { line = model::notLoadedLine(model::rowsNotLoaded(store_), "排课、课程表和检查都"); }))
        return;
    if (!line.empty())
        asker_->inform(QString::fromStdString(line), QStringLiteral("数据未全部载入"), Icon::Warning);
}

void TForm1::openPage(int index, int table)
{
    Page* p = page(index);
    if (!p || index == 0)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    setEnabled(false);
    pgc1_->setCurrentWidget(p);
    setTopBarForPage(index);
    if (index >= 6 && index <= 8) {
        const int k = table == KbNone ? KbBan : table;
        btnBiao_[static_cast<std::size_t>(k)]->setChecked(true);
    }
    processEvents();
    const bool loaded = guarded([&] { p->load(table); });
    setEnabled(true);
    setStatus(p->statusText());
    dataChanged_ = false;
    QApplication::restoreOverrideCursor();
    // A page that could not load its data is no place to work in.
    if (!loaded)
        goHome();
}

void TForm1::openStep(int step)
{
    if (step < 1 || step > 6 || !ts0_->imgMain(step)->isEnabled())
        return;
    if (step == 6)
        openTimetable(KbBan);
    else
        openPage(step);
}

void TForm1::openTimetable(int table)
{
    if (!ts0_->imgMain(6)->isEnabled())
        return;
    openPage(tavrin::ui::pageOfTable(table), table);
}

void TForm1::openCover()
{
    // Covers stand in for lessons of the timetable: open when the timetable step is.
    if (!ts0_->imgMain(6)->isEnabled())
        return;
    openPage(9);
}

void TForm1::goHome()
{
    const int cur = currentIndex();
    if (cur != 0)
        guarded([&] { page(cur)->leave(); });
    pgc1_->setCurrentWidget(ts0_);
    loadMain();
    setTopBarForPage(0);
}

void TForm1::save()
{
    if (refuseViewer())
        return;
    Page* p = page(currentIndex());
    if (!p || !p->hasSave())
        return;
    bool saved = false;
    guarded([&] { saved = p->save(); });
    if (saved)
        dataChanged_ = false;
}

void TForm1::goBack()
{
    // Whatever goes wrong here must not keep the operator from getting home.
    try {
        if (!dataChanged_) {
            goHome();
            return;
        }
        switch (asker_->askSave(QStringLiteral("是否保存"), QStringLiteral("已修改过，是否保存？"))) {
        case SaveAnswer::Save:
            save();
            if (!dataChanged_)
                goHome();
            break;
        case SaveAnswer::NoSave:
            dataChanged_ = false;
            goHome();
            break;
        case SaveAnswer::Cancel:
            break;
        }
    } catch (const std::exception& e) {
        store::logFault("return to the home page", e.what());
    } catch (...) {
        store::logFault("return to the home page", "a fault that is not an exception of the program");
    }
}

bool TForm1::closeQuery()
{
    if (dataChanged_) {
        goBack();
        return !dataChanged_;
    }
    if (quitWithoutAsking_)
        return true;
    return asker_->ask(QStringLiteral("确定要退出Tavrin吗？"), QStringLiteral("退出"), Buttons::OkCancel,
                       Icon::Question) == Answer::Ok;
}

void TForm1::closeEvent(QCloseEvent* e)
{
    if (closeQuery()) {
        if (helpWindow_)
            helpWindow_->close();
        e->accept();
    } else {
        e->ignore();
    }
}

bool TForm1::eventFilter(QObject* o, QEvent* e)
{
    if (e->type() == QEvent::Enter || e->type() == QEvent::Leave) {
        QVariant v = o->property("tavrinHoverStatus");
        if (v.isValid())
            setStatus(e->type() == QEvent::Enter ? v.toString() : QString());
    }
    return QMainWindow::eventFilter(o, e);
}

void TForm1::help()
{
    try {
        Page* p = page(currentIndex());
        const QString topic = p ? p->helpTopic() : QStringLiteral("0");
        const QString file = QDir(helpDir_).filePath(topic + QStringLiteral(".html"));
        if (!QFileInfo::exists(file)) {
            asker_->inform(QStringLiteral("找不到帮助文件：") + QDir::toNativeSeparators(file), QStringLiteral("帮助"),
                           Icon::Warning);
            return;
        }
        // Always the program's own window: a desktop without a browser would "open" the page
        // and show nothing.
        showHelpWindow(file);
    } catch (const std::exception& e) {
        store::logFault("help", e.what());
    } catch (...) {
        store::logFault("help", "a fault that is not an exception of the program");
    }
}

void TForm1::showHelpWindow(const QString& file)
{
    if (!helpWindow_) {
        helpWindow_ = new QWidget(this, Qt::Window);
        helpWindow_->setObjectName("frmHelp");
        helpWindow_->setWindowTitle(QStringLiteral("Tavrin 帮助"));
        auto* lay = new QVBoxLayout(helpWindow_);
        lay->setContentsMargins(0, 0, 0, 0);
        helpBrowser_ = new QTextBrowser(helpWindow_);
        helpBrowser_->setObjectName("tbHelp");
        helpBrowser_->setOpenLinks(true);
        helpBrowser_->setOpenExternalLinks(false);
        lay->addWidget(helpBrowser_);
        helpWindow_->resize(760, 620);
    }
    helpBrowser_->setSearchPaths({QFileInfo(file).absolutePath()});
    // The browser does not follow <link> to a stylesheet; give it the pages' own.
    QFile css(QFileInfo(file).absoluteDir().filePath(QStringLiteral("help.css")));
    if (css.open(QIODevice::ReadOnly))
        // The browser draws no background for the pages' <header> band, so its white title
        // would vanish on the white page: here the band's texts take the page's dark colours.
        helpBrowser_->document()->setDefaultStyleSheet(
            QString::fromUtf8(css.readAll()) +
            QStringLiteral("\nheader h1 { color: #1d3557; }\nheader p { color: #4a5a70; }\n"));
    helpBrowser_->setSource(QUrl::fromLocalFile(file));
    helpWindow_->show();
    helpWindow_->raise();
}

void TForm1::popupCommandMenu()
{
    const QPoint at = imgTopMu_->mapToGlobal(QPoint(0, imgTopMu_->height()));
    const int cur = currentIndex();
    if (cur == 0) {
        pmTs0_->popup(at);
        return;
    }
    Page* p = page(cur);
    QMenu* m = p ? p->pageMenu() : nullptr;
    if (!m) {
        action("mniPageSave")->setVisible(p && p->hasSave());
        m = pmPage_;
    }
    m->popup(at);
}

void TForm1::popupOpenKb()
{
    if (!ts0_->imgMain(6)->isEnabled())
        return;
    StepImage* img = ts0_->imgMain(6);
    const QSize size = pmOpenKb_->sizeHint();
    pmOpenKb_->popup(img->mapToGlobal(QPoint(0, -size.height())));
}

void TForm1::updateHomeMenu()
{
    for (int s = 1; s <= 5; ++s)
        action(QStringLiteral("mniMain%1").arg(s).toUtf8().constData())->setEnabled(ts0_->imgMain(s)->isEnabled());
    for (int k = 1; k <= 4; ++k)
        action(QStringLiteral("mniOpenKb%1").arg(k).toUtf8().constData())->setEnabled(ts0_->imgMain(6)->isEnabled());
    action("mniCover")->setEnabled(ts0_->imgMain(6)->isEnabled());
    for (int s : {1, 2, 3, 4, 6})
        action(QStringLiteral("mniClearMain%1").arg(s).toUtf8().constData())->setEnabled(!ts0_->imgDel(s)->isHidden());
}

// ---------------------------------------------------------------- store commands

void TForm1::clearStep(int step)
{
    if (refuseViewer())
        return;
    const ClearTexts t = clearTexts(step);
    if (asker_->ask(QString::fromUtf8(t.question), QString::fromUtf8(t.title), Buttons::YesNo) != Answer::Yes)
        return;
    if (asksSecondQuestion(step, home_) &&
        asker_->ask(QString::fromUtf8(t.secondQuestion), QStringLiteral("请慎重"), Buttons::YesNo) != Answer::Yes)
        return;
    store::Result r;
    if (!guarded([&] { r = store::clearStep(store_, step); }))
        return;
    if (!r.ok) {
        asker_->inform(QString::fromStdString(r.message), {}, Icon::Warning);
        return;
    }
    loadMain();
    asker_->inform(QString::fromStdString(r.message));
}

void TForm1::backupData()
{
    QString chosen = asker_->saveFileName(QStringLiteral("备份数据"), QString::fromUtf8(tavrin::ui::kBackupFilter));
    if (chosen.isEmpty())
        return;
    const QString dest = QString::fromStdString(store::backupFileName(chosen.toStdString()));
    store::Result r;
    if (!guarded([&] { r = store::backupDatabase(store_, dest.toStdString()); }))
        return;
    if (!r.ok) {
        asker_->inform(QString::fromStdString(r.message), {}, Icon::Warning);
        return;
    }
    asker_->inform(QString::fromStdString(r.message));
    urlOpener_(QUrl::fromLocalFile(QFileInfo(dest).absolutePath()));
}

void TForm1::restoreData()
{
    if (refuseViewer())
        return;
    const QString src = asker_->openFileName(QStringLiteral("恢复数据"), QString::fromUtf8(tavrin::ui::kBackupFilter));
    if (src.isEmpty() || !QFileInfo(src).isFile())
        return;
    if (asker_->ask(QStringLiteral("确认要恢复数据吗？请慎重操作！"), QStringLiteral("恢复数据"), Buttons::OkCancel) !=
        Answer::Ok)
        return;
    store::Result r;
    if (!guarded([&] { r = store::restoreDatabase(store_, src.toStdString()); }))
        return;
    if (!r.ok) {
        asker_->inform(QStringLiteral("恢复数据时出错：") + QString::fromStdString(r.message) +
                           QStringLiteral("\n正在使用的数据没有改动。"),
                       QStringLiteral("恢复数据"), Icon::Warning);
        return;
    }
    loadMain();
    asker_->inform(QString::fromStdString(r.message));
    if (!runLogin()) {
        quitWithoutAsking_ = true;
        close();
        return;
    }
    tellRowsNotLoaded();
}

// ---------------------------------------------------------------- users

void TForm1::setUserLabel(const QString& text)
{
    ts0_->setUserLabel(text);
}

bool TForm1::runLogin()
{
    std::optional<QString> label;
    if (loginRunner_) {
        label = loginRunner_();
    } else if (frmLogin_->execLogin()) {
        label = frmLogin_->userLabel();
    }
    if (!label)
        return false;
    setUserLabel(*label);
    return true;
}

void TForm1::switchUser()
{
    if (session_.num <= 1) {
        asker_->inform(QStringLiteral("未发现有其它用户，无需切换。"));
        return;
    }
    // Cancelling keeps the current user: the dialog changes the session only on a login.
    runLogin();
}

void TForm1::changePassword()
{
    frmSetUserPass_->execDialog();
}

void TForm1::newUser()
{
    if (refuseViewer())
        return;
    if (frmNewUser_->execDialog())
        asker_->inform(QStringLiteral("新建用户完成"));
}

void TForm1::deleteUser()
{
    if (session_.num < 2) {
        users::Result r = users::deleteUser(store_, session_);  // refuses the last user
        asker_->inform(QString::fromStdString(r.message));
        return;
    }
    if (asker_->ask(QStringLiteral("确认要删除该用户吗？"), QStringLiteral("删除用户"), Buttons::OkCancel) != Answer::Ok)
        return;
    users::Result r;
    if (!guarded([&] { r = users::deleteUser(store_, session_); }) || !r.ok) {
        if (!r.message.empty())
            asker_->inform(QString::fromStdString(r.message));
        return;
    }
    setUserLabel({});
    asker_->inform(QString::fromStdString(r.message));
    if (!runLogin()) {
        quitWithoutAsking_ = true;
        close();
    }
}

}  // namespace tavrin::mainwin
