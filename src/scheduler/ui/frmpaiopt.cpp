#include "scheduler/ui/frmpaiopt.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ui/asker.h"

namespace tavrin::scheduler::ui {

namespace {

const QString kObject = QStringLiteral("  对象：");
const QString kPickTeacher = QStringLiteral("（点击选择教师）");

QString qs(const std::string& s)
{
    return QString::fromStdString(s);
}

// Both teacher lists search alike: from the row after the selected one, wrapping round, the
// first name holding the text is selected and shown; no match changes nothing.
void selectNextTeacher(QTreeWidget* list, const QString& text)
{
    std::vector<std::string> names;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        names.push_back(list->topLevelItem(i)->text(0).toStdString());
    auto* cur = list->currentItem();
    const int from = cur && cur->isSelected() ? list->indexOfTopLevelItem(cur) : -1;
    const int hit = findNextName(names, from, text.toStdString());
    if (hit < 0)
        return;
    auto* it = list->topLevelItem(hit);
    list->setCurrentItem(it);
    list->scrollToItem(it);
}

std::string nameOf(const std::vector<std::string>& names, int id)
{
    return id >= 0 && id < static_cast<int>(names.size()) ? names[static_cast<std::size_t>(id)] : std::string();
}

bool isReturn(QEvent* e)
{
    if (e->type() != QEvent::KeyPress)
        return false;
    const int k = static_cast<QKeyEvent*>(e)->key();
    return k == Qt::Key_Return || k == Qt::Key_Enter;
}

QPushButton* dialogButton(const QString& text, QWidget* parent, const char* name)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    b->setMinimumWidth(88);
    return b;
}

// The two dialog buttons at the bottom right.
QHBoxLayout* buttonRow(QPushButton* ok, QPushButton* cancel)
{
    auto* h = new QHBoxLayout;
    h->addStretch(1);
    h->addWidget(ok);
    h->addWidget(cancel);
    return h;
}

// The rows of a list in the order given, by ID; `names` indexed by ID.
void fillChecks(CheckList* lv, const std::vector<int>& ids, const std::vector<std::string>& names,
                const std::vector<bool>& flags)
{
    for (int id : ids)
        lv->addRow(qs(nameOf(names, id)), QString::number(id),
                   id < static_cast<int>(flags.size()) && flags[static_cast<std::size_t>(id)]);
}

std::vector<int> oneTo(int n)
{
    std::vector<int> v;
    for (int i = 1; i <= n; ++i)
        v.push_back(i);
    return v;
}

}  // namespace

// ---------------------------------------------------------------- TFrmSelTea

TFrmSelTea::TFrmSelTea(tavrin::ui::Asker& asker, QWidget* parent) : QDialog(parent), asker_(asker)
{
    setObjectName("TFrmSelTea");
    setWindowTitle(QStringLiteral("选择教师"));
    auto* lay = new QVBoxLayout(this);
    lblTop_ = new QLabel(QStringLiteral("  选择："), this);
    lblTop_->setObjectName("lblTop");
    lblTop_->setStyleSheet("QLabel{font-weight:bold;color:#1d4f91;padding:4px 0;}");
    lay->addWidget(lblTop_);

    lvSelTea_ = new QTreeWidget(this);
    lvSelTea_->setObjectName("lvSelTea");
    lvSelTea_->setColumnCount(2);
    lvSelTea_->setHeaderLabels({QStringLiteral("教师"), QStringLiteral("编号")});
    lvSelTea_->setRootIsDecorated(false);
    lvSelTea_->setIndentation(0);
    lvSelTea_->setUniformRowHeights(true);
    lvSelTea_->setAllColumnsShowFocus(true);
    lvSelTea_->header()->setStretchLastSection(false);
    lvSelTea_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    lvSelTea_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    lay->addWidget(lvSelTea_, 1);

    auto* find = new QHBoxLayout;
    edtFnTea_ = new QLineEdit(this);
    edtFnTea_->setObjectName("edtFnTea");
    edtFnTea_->setPlaceholderText(QStringLiteral("教师姓名"));
    edtFnTea_->installEventFilter(this);
    btnFnTea_ = dialogButton(QStringLiteral("查找(Enter)"), this, "btnFnTea");
    find->addWidget(edtFnTea_, 1);
    find->addWidget(btnFnTea_);
    lay->addLayout(find);

    btnOk_ = dialogButton(QStringLiteral("确定"), this, "btnOk");
    btnCancel_ = dialogButton(QStringLiteral("取消"), this, "btnCancel");
    lay->addLayout(buttonRow(btnOk_, btnCancel_));

    connect(lvSelTea_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* it) {
        lblTop_->setText(QStringLiteral("  选择：") + (it ? it->text(0) : QString()));
    });
    connect(lvSelTea_, &QTreeWidget::itemDoubleClicked, this, [this] { btnOkClick(); });
    connect(btnFnTea_, &QPushButton::clicked, this, &TFrmSelTea::btnFnTeaClick);
    connect(btnOk_, &QPushButton::clicked, this, &TFrmSelTea::btnOkClick);
    connect(btnCancel_, &QPushButton::clicked, this, &TFrmSelTea::btnCancelClick);
    resize(300, 440);
}

void TFrmSelTea::prepare(const model::School& s)
{
    lvSelTea_->clear();
    for (int t = 1; t <= s.TeaOldNum; ++t) {
        auto* it = new QTreeWidgetItem(lvSelTea_, {qs(nameOf(s.TeaName, t)), QString::number(t)});
        it->setData(0, Qt::UserRole, t);
    }
    lvSelTea_->setCurrentItem(nullptr);
    lblTop_->setText(QStringLiteral("  选择："));
}

void TFrmSelTea::btnOkClick()
{
    auto* it = lvSelTea_->currentItem();
    if (!it || !it->isSelected()) {
        asker_.inform(QStringLiteral("未选择"));
        return;
    }
    SelID_ = it->data(0, Qt::UserRole).toInt();
    accept();
}

void TFrmSelTea::btnCancelClick()
{
    SelID_ = 0;
    reject();
}

void TFrmSelTea::btnFnTeaClick()
{
    selectNextTeacher(lvSelTea_, edtFnTea_->text());
}

bool TFrmSelTea::eventFilter(QObject* o, QEvent* e)
{
    if (o == edtFnTea_ && isReturn(e)) {
        btnFnTeaClick();
        return true;
    }
    return QDialog::eventFilter(o, e);
}

// ---------------------------------------------------------------- TfrmSelObj

TfrmSelObj::TfrmSelObj(tavrin::ui::Asker& asker, QWidget* parent) : QDialog(parent), asker_(asker)
{
    setObjectName("TfrmSelObj");
    setWindowTitle(QStringLiteral("选择对象"));
    auto* lay = new QVBoxLayout(this);
    pgc_ = new QTabWidget(this);
    pgc_->setObjectName("pgc");
    lay->addWidget(pgc_, 1);

    auto* ts1 = new QWidget(pgc_);
    ts1->setObjectName("ts1");
    auto* h1 = new QHBoxLayout(ts1);
    lvSelBan_ = new CheckList(QStringLiteral("选择班级"), ts1);
    lvSelBan_->setObjectName("lvSelBan");
    lvSelBan_->setToggleRule(applyClassCheck);
    lvSelKe_ = new CheckList(QStringLiteral("选择科目"), ts1);
    lvSelKe_->setObjectName("lvSelKe");
    h1->addWidget(lvSelBan_, 1);
    h1->addWidget(lvSelKe_, 1);
    pgc_->addTab(ts1, QStringLiteral("科目"));

    auto* ts2 = new QWidget(pgc_);
    ts2->setObjectName("ts2");
    auto* v2 = new QVBoxLayout(ts2);
    lvSelTea_ = new CheckList(QStringLiteral("选择教师"), ts2);
    lvSelTea_->setObjectName("lvSelTea");
    v2->addWidget(lvSelTea_, 1);
    auto* find = new QHBoxLayout;
    edtFnTea_ = new QLineEdit(ts2);
    edtFnTea_->setObjectName("edtFnTea");
    edtFnTea_->setPlaceholderText(QStringLiteral("教师姓名"));
    edtFnTea_->installEventFilter(this);
    btnFnTea_ = dialogButton(QStringLiteral("查找(Enter)"), ts2, "btnFnTea");
    find->addWidget(edtFnTea_, 1);
    find->addWidget(btnFnTea_);
    v2->addLayout(find);
    pgc_->addTab(ts2, QStringLiteral("教师"));

    btnOk_ = dialogButton(QStringLiteral("确定"), this, "btnOk");
    btnCancel_ = dialogButton(QStringLiteral("取消"), this, "btnCancel");
    lay->addLayout(buttonRow(btnOk_, btnCancel_));

    connect(btnFnTea_, &QPushButton::clicked, this, &TfrmSelObj::btnFnTeaClick);
    connect(btnOk_, &QPushButton::clicked, this, &TfrmSelObj::btnOkClick);
    connect(btnCancel_, &QPushButton::clicked, this, &QDialog::reject);
    resize(440, 460);
}

void TfrmSelObj::prepare(const model::School& s, Selection* sel)
{
    sel_ = sel;
    objectText_.clear();
    lvSelBan_->clearRows();
    lvSelBan_->addRow(QStringLiteral("全校"), QStringLiteral("0"), !sel->ban.empty() && sel->ban[0]);
    std::vector<int> classes;
    for (int j = 1; j <= s.MaxJiID; ++j)
        for (int k = 1; j < static_cast<int>(s.BanCountInJi.size()) && k <= s.BanCountInJi[static_cast<std::size_t>(j)];
             ++k)
            if (s.BanID.inside(j, k) && s.BanID(j, k) > 0)
                classes.push_back(s.BanID(j, k));
    fillChecks(lvSelBan_, classes, s.BanName, sel->ban);
    lvSelKe_->clearRows();
    fillChecks(lvSelKe_, oneTo(s.KemuOldNum), s.KemuName, sel->ke);
    lvSelTea_->clearRows();
    fillChecks(lvSelTea_, oneTo(s.TeaOldNum), s.TeaName, sel->tea);
}

void TfrmSelObj::btnOkClick()
{
    if (!sel_)
        return;
    auto setFlag = [](std::vector<bool>& flags, int id, bool on) {
        if (id >= 0 && id < static_cast<int>(flags.size()))
            flags[static_cast<std::size_t>(id)] = on;
    };
    auto checkedNames = [](CheckList* lv, int from) {
        QStringList names;
        for (int i = from; i < lv->rowCount(); ++i)
            if (lv->isChecked(i))
                names << lv->caption(i);
        return names;
    };

    if (pgc_->currentIndex() == 0) {
        QString banText;
        if (lvSelBan_->isChecked(0)) {
            setFlag(sel_->ban, 0, true);
            banText = QStringLiteral("全校的");
        } else {
            for (int i = 0; i < lvSelBan_->rowCount(); ++i)
                setFlag(sel_->ban, lvSelBan_->value(i).toInt(), lvSelBan_->isChecked(i));
            const QStringList names = checkedNames(lvSelBan_, 1);
            if (names.isEmpty()) {
                asker_.inform(QStringLiteral("请选择班级"));
                return;
            }
            banText = names.join(QStringLiteral("、")) + QStringLiteral("的");
        }
        for (int i = 0; i < lvSelKe_->rowCount(); ++i)
            setFlag(sel_->ke, lvSelKe_->value(i).toInt(), lvSelKe_->isChecked(i));
        const QStringList kes = checkedNames(lvSelKe_, 0);
        if (kes.isEmpty()) {
            asker_.inform(QStringLiteral("请选择科目"));
            return;
        }
        objectText_ = banText + kes.join(QStringLiteral("、"));
    } else {
        for (int i = 0; i < lvSelTea_->rowCount(); ++i)
            setFlag(sel_->tea, lvSelTea_->value(i).toInt(), lvSelTea_->isChecked(i));
        const QStringList teas = checkedNames(lvSelTea_, 0);
        if (teas.isEmpty()) {
            asker_.inform(QStringLiteral("请选择教师"));
            return;
        }
        objectText_ = teas.join(QStringLiteral("、"));
    }
    accept();
}

void TfrmSelObj::btnFnTeaClick()
{
    selectNextTeacher(lvSelTea_, edtFnTea_->text());
}

bool TfrmSelObj::eventFilter(QObject* o, QEvent* e)
{
    if (o == edtFnTea_ && isReturn(e)) {
        btnFnTeaClick();
        return true;
    }
    return QDialog::eventFilter(o, e);
}

// ---------------------------------------------------------------- TfrmPaiOpt

TfrmPaiOpt::TfrmPaiOpt(store::Store& store, tavrin::ui::Asker& asker, QWidget* parent)
    : QDialog(parent), store_(store), asker_(asker)
{
    setObjectName("TfrmPaiOpt");
    setWindowTitle(QStringLiteral("自定义排课条件"));
    setStyleSheet("QTabWidget::pane{border:1px solid #c9d4e3;background:#fbfcfe;}"
                  "QComboBox{min-height:24px;}");
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(14, 14, 14, 12);
    lay->setSpacing(12);
    pgc_ = new QTabWidget(this);
    pgc_->setObjectName("pgc");
    lay->addWidget(pgc_, 1);

    auto combo = [](QWidget* parent, const char* name) {
        auto* c = new QComboBox(parent);
        c->setObjectName(name);
        c->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        return c;
    };
    auto text = [](const QString& t, QWidget* parent) {
        auto* l = new QLabel(t, parent);
        l->setStyleSheet("QLabel{color:#2b3a4f;}");
        return l;
    };

    // ts1 (a period of the day) and ts2 (a weekday) share one shape: the object above, then
    // the lead text and three lists.
    struct Lists {
        QComboBox*& one;
        QComboBox*& two;
        QComboBox*& three;
    };
    auto limitTab = [&](const char* name, PickLabel*& label, const char* labelName, const QString& lead,
                        Lists lists, const char* listPrefix, const QString& caption) {
        auto* ts = new QWidget(pgc_);
        ts->setObjectName(name);
        auto* g = new QGridLayout(ts);
        g->setContentsMargins(18, 18, 18, 18);
        g->setVerticalSpacing(14);
        label = new PickLabel(kObject, ts);
        label->setObjectName(labelName);
        label->setWordWrap(true);
        g->addWidget(label, 0, 0, 1, 4);
        const QString prefix = QString::fromLatin1(listPrefix);
        lists.one = combo(ts, (prefix + "1").toLatin1().constData());
        lists.two = combo(ts, (prefix + "2").toLatin1().constData());
        lists.three = combo(ts, (prefix + "3").toLatin1().constData());
        g->addWidget(text(lead, ts), 1, 0);
        g->addWidget(lists.one, 1, 1);
        g->addWidget(lists.two, 1, 2);
        g->addWidget(lists.three, 1, 3);
        g->setColumnStretch(4, 1);
        g->setRowStretch(2, 1);
        pgc_->addTab(ts, caption);
    };
    limitTab("ts1", lblA_, "lblA", QStringLiteral("每班一个星期内"), {cbbA1_, cbbA2_, cbbA3_}, "cbbA",
             QStringLiteral("限制时段节数"));
    limitTab("ts2", lblB_, "lblB", QStringLiteral("每班"), {cbbB1_, cbbB2_, cbbB3_}, "cbbB",
             QStringLiteral("限制日期节数"));

    // ts3: two teachers who never teach at the same time.
    auto* ts3 = new QWidget(pgc_);
    ts3->setObjectName("ts3");
    auto* h3 = new QHBoxLayout(ts3);
    h3->setContentsMargins(18, 18, 18, 18);
    lblC1_ = new PickLabel(kPickTeacher, ts3);
    lblC1_->setObjectName("lblC1");
    lblC2_ = new PickLabel(kPickTeacher, ts3);
    lblC2_->setObjectName("lblC2");
    for (auto* l : {lblC1_, lblC2_}) {
        l->setMinimumWidth(120);
        l->setAlignment(Qt::AlignCenter);
    }
    h3->addWidget(lblC1_);
    h3->addWidget(text(QStringLiteral("与"), ts3));
    h3->addWidget(lblC2_);
    h3->addWidget(text(QStringLiteral("不同时上课"), ts3));
    h3->addStretch(1);
    pgc_->addTab(ts3, QStringLiteral("教师互斥"));

    btnOk_ = dialogButton(QStringLiteral("确定"), this, "btnOk");
    btnCancel_ = dialogButton(QStringLiteral("取消"), this, "btnCancel");
    lay->addLayout(buttonRow(btnOk_, btnCancel_));

    frmSelObj_ = new TfrmSelObj(asker_, this);
    frmSelTea_ = new TFrmSelTea(asker_, this);

    connect(lblA_, &PickLabel::pressed, this, &TfrmPaiOpt::pickObject);
    connect(lblB_, &PickLabel::pressed, this, &TfrmPaiOpt::pickObject);
    connect(lblC1_, &PickLabel::pressed, this, [this] { pickTeacher(1); });
    connect(lblC2_, &PickLabel::pressed, this, [this] { pickTeacher(2); });
    connect(btnOk_, &QPushButton::clicked, this, &TfrmPaiOpt::btnOkClick);
    connect(btnCancel_, &QPushButton::clicked, this, &QDialog::reject);
    resize(560, 250);
}

void TfrmPaiOpt::prepare(const model::School& s)
{
    school_ = &s;
    added_.reset();
    sel_.reset(s);
    lblA_->setText(kObject);
    lblB_->setText(kObject);

    const int P = s.P();
    cbbA1_->clear();
    for (int n = 1; n <= P; ++n)
        cbbA1_->addItem(QStringLiteral("排在第%1节的课").arg(n));
    cbbA2_->clear();
    cbbA2_->addItems({QStringLiteral("固定为"), QStringLiteral("最多为")});
    cbbA3_->clear();
    for (int n = 1; n <= s.theDay; ++n)
        cbbA3_->addItem(QStringLiteral("%1次").arg(n));
    cbbB1_->clear();
    weekdays_.clear();
    for (int w = 1; w <= 7; ++w)
        if (s.DaySel[static_cast<std::size_t>(w)]) {
            weekdays_.push_back(w);
            cbbB1_->addItem(qs(s.WeekName[static_cast<std::size_t>(w)]));
        }
    cbbB2_->clear();
    cbbB2_->addItems({QStringLiteral("固定排"), QStringLiteral("最多排")});
    cbbB3_->clear();
    for (int n = 1; n <= P; ++n)
        cbbB3_->addItem(QStringLiteral("%1节").arg(n));
    for (auto* c : {cbbA1_, cbbA2_, cbbA3_, cbbB1_, cbbB2_, cbbB3_})
        c->setCurrentIndex(c->count() > 0 ? 0 : -1);

    // The two teachers stay chosen between showings; one who is gone since is chosen no more.
    for (int* t : {&Tea1_Opt_, &Tea2_Opt_})
        if (*t > s.TeaOldNum)
            *t = 0;
    lblC1_->setText(Tea1_Opt_ > 0 ? teacherName(Tea1_Opt_) : kPickTeacher);
    lblC2_->setText(Tea2_Opt_ > 0 ? teacherName(Tea2_Opt_) : kPickTeacher);
}

std::optional<ConditionItem> TfrmPaiOpt::execFor(const model::School& s)
{
    prepare(s);
    exec();
    return result() == QDialog::Accepted ? added_ : std::nullopt;
}

QString TfrmPaiOpt::teacherName(int t) const
{
    return school_ ? qs(nameOf(school_->TeaName, t)) : QString();
}

void TfrmPaiOpt::pickObject()
{
    if (!school_)
        return;
    frmSelObj_->prepare(*school_, &sel_);
    runDialog(pickerRunner_, *frmSelObj_);
    if (frmSelObj_->result() != QDialog::Accepted)
        return;
    lblA_->setText(kObject + frmSelObj_->objectText());
    lblB_->setText(kObject + frmSelObj_->objectText());
}

void TfrmPaiOpt::pickTeacher(int which)
{
    if (!school_)
        return;
    frmSelTea_->prepare(*school_);
    runDialog(pickerRunner_, *frmSelTea_);
    const int id = frmSelTea_->result() == QDialog::Accepted ? frmSelTea_->selId() : 0;
    if (id <= 0)
        return;
    if (id == (which == 1 ? Tea2_Opt_ : Tea1_Opt_)) {
        asker_.inform(QStringLiteral("教师互斥必须是不同的教师"));
        return;
    }
    (which == 1 ? Tea1_Opt_ : Tea2_Opt_) = id;
    (which == 1 ? lblC1_ : lblC2_)->setText(teacherName(id));
}

void TfrmPaiOpt::btnOkClick()
{
    if (!school_)
        return;
    try {
        switch (pgc_->currentIndex()) {
        case 0:
            okPeriodOrDay(CondKind::Jie);
            break;
        case 1:
            okPeriodOrDay(CondKind::Day);
            break;
        default:
            okExclusion();
            break;
        }
    } catch (const std::exception& e) {
        asker_.inform(QString::fromUtf8(e.what()), QStringLiteral("Tavrin"), tavrin::ui::Icon::Critical);
    }
}

void TfrmPaiOpt::okPeriodOrDay(CondKind kind)
{
    const bool byDay = kind == CondKind::Day;
    int at = 0;
    if (byDay) {
        const int k = cbbB1_->currentIndex();
        at = k >= 0 && k < static_cast<int>(weekdays_.size()) ? weekdays_[static_cast<std::size_t>(k)] : 0;
    } else {
        at = cbbA1_->currentIndex() + 1;
    }
    const int n = (byDay ? cbbB3_ : cbbA3_)->currentIndex() + 1;
    const bool fixed = (byDay ? cbbB2_ : cbbA2_)->currentIndex() == 0;
    std::optional<int> id;
    if (at > 0 && n > 0)
        id = writeCondition(store_, kind, at, fixed ? n : -n, sel_);
    if (!id) {
        asker_.inform(QStringLiteral("未选择要限制的对象，请点击“对象”选择"));
        return;
    }
    const QString object = (byDay ? lblB_ : lblA_)->text().mid(5);
    added_ = ConditionItem{newConditionCaption(kind, object.toStdString(), at, n, fixed, *school_),
                           (byDay ? "Day" : "Jie") + std::to_string(*id)};
    accept();
}

void TfrmPaiOpt::okExclusion()
{
    if (Tea1_Opt_ <= 0 || Tea2_Opt_ <= 0) {
        asker_.inform(QStringLiteral("请先选择互斥的两位教师"));
        return;
    }
    if (Tea1_Opt_ == Tea2_Opt_) {
        asker_.inform(QStringLiteral("教师互斥必须是不同的教师"));
        return;
    }
    // One partner per teacher: say which earlier pair the new one replaces.
    if (const auto notice = replacedPairNotice(store_, *school_, Tea1_Opt_, Tea2_Opt_); !notice.empty() &&
        asker_.ask(QString::fromStdString(notice + "\n确定添加吗？"), QStringLiteral("Tavrin"), tavrin::ui::Buttons::OkCancel,
                   tavrin::ui::Icon::Question) != tavrin::ui::Answer::Ok)
        return;
    const int wmid = writeExclusion(store_, Tea1_Opt_, Tea2_Opt_);
    added_ = ConditionItem{exclusionCaption(nameOf(school_->TeaName, Tea1_Opt_), nameOf(school_->TeaName, Tea2_Opt_)),
                           "Tea" + std::to_string(wmid)};
    accept();
}

}  // namespace tavrin::scheduler::ui
