#include "entry/ui/banpage.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include "store/store.h"
#include "ui/asker.h"
#include "ui/widgets.h"

namespace tavrin::entry::ui {

namespace {

const bool registered = tavrin::ui::registerPage(1, [](tavrin::ui::Shell& sh) { return new BanPage(sh); });

QString qs(const std::string& s)
{
    return QString::fromStdString(s);
}

// The list's context menu opens only over the list itself.
class ListMenuFilter : public QObject {
public:
    explicit ListMenuFilter(BanPage* page) : QObject(page), page_(page) {}

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() != QEvent::ContextMenu)
            return false;
        page_->prepareListMenu();
        page_->pmBanJi()->popup(static_cast<QContextMenuEvent*>(e)->globalPos());
        return true;
    }

private:
    BanPage* page_;
};

}  // namespace

BanPage::BanPage(tavrin::ui::Shell& sh, QWidget* parent) : Page(sh, 1, parent)
{
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(
        "#ts1{background:#f4f7fb;}"
        "#lbl23{font-size:15px;font-weight:bold;color:#1f3f6b;background:#e3ebf6;border:1px solid #c9d4e3;"
        "border-radius:4px;padding:6px 0;}"
        "QPushButton{background:white;border:1px solid #b8c6d9;border-radius:5px;padding:6px 14px;color:#1f3f6b;}"
        "QPushButton:hover{background:#eaf1fb;}"
        "QPushButton:disabled{color:#9aa7b8;border-color:#d3dce8;}"
        "#lvBanji{border:1px solid #c9d4e3;border-radius:4px;}");

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(18, 14, 18, 14);
    outer->setSpacing(10);
    auto* lbl23 = new QLabel(QStringLiteral("     班级管理："), this);
    lbl23->setObjectName("lbl23");
    outer->addWidget(lbl23);

    auto* bar = new QHBoxLayout;
    bar->setSpacing(8);
    auto button = [&](const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(name);
        b->setFocusPolicy(Qt::NoFocus);
        bar->addWidget(b);
        return b;
    };
    btnAddJi_ = button("btnAddJi", "新增年级组");
    btnDelJi_ = button("btnDelJi", "删除年级组");
    btnAddBanji2_ = button("btnAddBanji2", "新增班级");
    btnDelBan_ = button("btnDelBan", "删除班级");
    btnFillBan_ = button("btnFillBan", "自动填充班级名称");
    bar->addStretch(1);
    outer->addLayout(bar);

    model_ = new BanModel(this);
    lvBanji_ = new BanListView(this);
    lvBanji_->setObjectName("lvBanji");
    lvBanji_->setModel(model_);
    outer->addWidget(lvBanji_, 1);
    tavrin::ui::watchWindowWheel(this, [this](QWidget*) { lvBanji_->commitEditor(); });

    pmAddBan_ = new QMenu(this);
    pmAddBan_->setObjectName("pmAddBan");

    pmBanJi_ = new QMenu(this);
    pmBanJi_->setObjectName("pmBanJi");
    auto add = [&](const char* name, const char* caption, auto slot) {
        auto* a = pmBanJi_->addAction(QString::fromUtf8(caption));
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    auto* help = add("mniBanHelp", "帮助", [this] { shell().help(); });
    help->setShortcut(QKeySequence(Qt::Key_F1));
    pmBanJi_->addSeparator();
    nAddBan_ = pmBanJi_->addMenu(QStringLiteral("新增班级"));
    nAddBan_->setObjectName("NAddBan");
    nAddBan_->menuAction()->setObjectName("mniNAddBan");
    add("NDelBan", "删除班级", [this] { btnDelBanClick(); });
    pmBanJi_->addSeparator();
    add("NAddJi", "新增年级组", [this] { btnAddJiClick(); });
    add("NDelJi", "删除年级组", [this] { btnDelJiClick(); });
    pmBanJi_->addSeparator();
    add("NFillBanName", "自动填充班级名称", [this] { btnFillBanClick(); });
    pmBanJi_->addSeparator();
    auto* save = add("mniBanSave", "保存", [this] { shell().save(); });
    save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    add("mniBanBack", "返回", [this] { shell().goBack(); });
    connect(pmBanJi_, &QMenu::aboutToShow, this, [this] { rebuildAddMenu(nAddBan_); });
    lvBanji_->viewport()->installEventFilter(new ListMenuFilter(this));

    connect(btnAddJi_, &QPushButton::clicked, this, &BanPage::btnAddJiClick);
    connect(btnDelJi_, &QPushButton::clicked, this, &BanPage::btnDelJiClick);
    connect(btnDelBan_, &QPushButton::clicked, this, &BanPage::btnDelBanClick);
    connect(btnFillBan_, &QPushButton::clicked, this, &BanPage::btnFillBanClick);
    // `pmAddBan` drops below its button on release.
    connect(btnAddBanji2_, &QPushButton::released, this, [this] {
        rebuildAddMenu(pmAddBan_);
        pmAddBan_->popup(btnAddBanji2_->mapToGlobal(QPoint(0, btnAddBanji2_->height())));
    });

    connect(model_, &BanModel::edited, this, [this] { markChanged(); });
    connect(lvBanji_, &BanListView::keyPressed, this, [this] { markChanged(); });
    connect(lvBanji_, &BanListView::selectedClassChanged, this, &BanPage::updateButtons);
    updateButtons();
}

QAction* BanPage::action(const char* name) const
{
    return pmBanJi_->findChild<QAction*>(QString::fromUtf8(name));
}

QPushButton* BanPage::button(const char* name) const
{
    return findChild<QPushButton*>(QString::fromUtf8(name));
}

void BanPage::load(int)
{
    lvBanji_->commitEditor();
    model_->reset(loadClasses(shell().store()));
    lvBanji_->selectionModel()->clear();
    updateButtons();
}

void BanPage::leave()
{
    lvBanji_->commitEditor();
}

void BanPage::updateButtons()
{
    const bool any = lvBanji_->selectedClass().valid();
    btnDelJi_->setEnabled(any);
    btnDelBan_->setEnabled(any);
    action("NDelJi")->setEnabled(any);
    action("NDelBan")->setEnabled(any);
}

void BanPage::rebuildAddMenu(QMenu* menu)
{
    menu->clear();
    const auto& groups = model_->draft().groups;
    for (int g = 0; g < static_cast<int>(groups.size()); ++g) {
        auto* a = menu->addAction(QStringLiteral("至：") + qs(groups[g].name));
        a->setObjectName(QStringLiteral("mniAddBanTo%1").arg(g));
        connect(a, &QAction::triggered, this, [this, g] { addBan(g); });
    }
}

void BanPage::prepareListMenu()
{
    for (const char* n : {"mniBanHelp", "mniBanSave", "mniBanBack"})
        action(n)->setVisible(false);
    updateButtons();
}

QMenu* BanPage::pageMenu()
{
    for (const char* n : {"mniBanHelp", "mniBanSave", "mniBanBack"})
        action(n)->setVisible(true);
    updateButtons();
    lvBanji_->setFocus();
    return pmBanJi_;
}

void BanPage::beginCommand()
{
    lvBanji_->commitEditor();
    lvBanji_->setFocus();
    markChanged();
}

void BanPage::refuse(const Result& r)
{
    shell().asker().inform(qs(r.message), {}, tavrin::ui::Icon::Warning);
}

void BanPage::btnAddJiClick()
{
    beginCommand();
    const Result r = model_->addGroup();
    if (!r) {
        refuse(r);
        return;
    }
    const int g = model_->rowCount() - 1;
    lvBanji_->scrollTo(model_->classIndex({g, 0}));
    lvBanji_->openHeader(g);
}

void BanPage::addBan(int group)
{
    beginCommand();
    BanPos p;
    const Result r = model_->addClass(group, &p);
    if (!r) {
        refuse(r);
        return;
    }
    lvBanji_->selectClass(p);
    lvBanji_->setFocus();
    lvBanji_->openEditor(model_->classIndex(p));
}

void BanPage::btnDelBanClick()
{
    beginCommand();
    const BanPos p = lvBanji_->selectedClass();
    if (!p.valid())
        return;
    const BanPos next = model_->deleteClass(p);
    lvBanji_->selectClass(next);
    updateButtons();
}

void BanPage::btnDelJiClick()
{
    beginCommand();
    const BanPos p = lvBanji_->selectedClass();
    if (!p.valid())
        return;
    if (shell().asker().ask(QString::fromUtf8(kDelJiQuestion), QString::fromUtf8(kDelJiTitle),
                            tavrin::ui::Buttons::OkCancel) != tavrin::ui::Answer::Ok)
        return;
    model_->deleteGroup(p.group);
    lvBanji_->selectionModel()->clear();
    updateButtons();
}

void BanPage::btnFillBanClick()
{
    beginCommand();
    if (shell().asker().ask(QString::fromUtf8(kFillQuestion), QString::fromUtf8(kFillTitle),
                            tavrin::ui::Buttons::OkCancel) != tavrin::ui::Answer::Ok)
        return;
    model_->fillNames();
}

bool BanPage::save()
{
    lvBanji_->commitEditor();
    auto& asker = shell().asker();
    try {
        BanPos twin;
        const Result r = saveClasses(shell().store(), model_->draft(), &twin);
        if (!r) {
            refuse(r);
            if (twin.valid())
                lvBanji_->selectClass(twin);
            lvBanji_->setFocus();
            return false;
        }
    } catch (const std::exception& e) {
        asker.inform(QStringLiteral("保存失败，数据未作任何修改：") + QString::fromUtf8(e.what()), {},
                     tavrin::ui::Icon::Critical);
        return false;
    }
    asker.inform(QString::fromUtf8(kSaved));
    load(tavrin::ui::KbNone);
    return true;
}

}  // namespace tavrin::entry::ui
