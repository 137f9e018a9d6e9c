#include "timetable/ui/coverpage.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QAbstractItemView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

#include "model/covers.h"
#include "model/dates.h"
#include "spreadsheet/coversheet.h"
#include "spreadsheet/notices.h"
#include "spreadsheet/ui/printsheets.h"
#include "spreadsheet/workbook.h"
#include "store/log.h"
#include "store/store.h"
#include "ui/asker.h"
#include "users/users.h"

namespace tavrin::timetable::ui {

using model::Absence;
using model::Cover;
using model::CoverKind;
using tavrin::ui::Icon;

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }
std::size_t at(int i) { return static_cast<std::size_t>(i); }

void fillTeachers(QComboBox* box, const KbData& kb)
{
    const auto& s = kb.school;
    for (int t = 1; t <= s.TeaOldNum; ++t)
        if (!s.TeaName[at(t)].empty())
            box->addItem(qs(s.TeaName[at(t)]), t);
}

QDateEdit* dateBox(int serial, QWidget* parent, const char* name)
{
    auto* d = new QDateEdit(parent);
    d->setObjectName(QString::fromUtf8(name));
    d->setCalendarPopup(true);
    d->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    d->setDate(dateOfSerial(serial));
    return d;
}

QTableWidget* table(QWidget* parent, const char* name, const QStringList& heads)
{
    auto* t = new QTableWidget(0, static_cast<int>(heads.size()), parent);
    t->setObjectName(QString::fromUtf8(name));
    t->setHorizontalHeaderLabels(heads);
    t->verticalHeader()->setVisible(false);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->horizontalHeader()->setStretchLastSection(true);
    return t;
}

QTableWidgetItem* item(const std::string& text)
{
    return new QTableWidgetItem(qs(text));
}

QDialogButtonBox* okCancel(QDialog* d)
{
    auto* bb = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, d);
    bb->setObjectName("buttons");
    bb->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    bb->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    QObject::connect(bb, &QDialogButtonBox::accepted, d, &QDialog::accept);
    QObject::connect(bb, &QDialogButtonBox::rejected, d, &QDialog::reject);
    return bb;
}

}  // namespace

QDate dateOfSerial(int serial)
{
    int y = 0, m = 0, d = 0;
    model::civilDate(serial, y, m, d);
    return QDate(y, m, d);
}

int serialOfDate(const QDate& d)
{
    return model::daySerial(d.year(), d.month(), d.day());
}

// ---------------------------------------------------------------- dialogs

CoverAbsenceDialog::CoverAbsenceDialog(const KbData& kb, const Absence& a, QWidget* parent)
    : QDialog(parent), id_(a.id)
{
    setObjectName("CoverAbsenceDialog");
    setWindowTitle(a.id ? QStringLiteral("修改请假") : QStringLiteral("新增请假"));
    auto* form = new QFormLayout(this);
    cbTea_ = new QComboBox(this);
    cbTea_->setObjectName("cbTea");
    fillTeachers(cbTea_, kb);
    if (const int i = cbTea_->findData(a.tea); i >= 0)
        cbTea_->setCurrentIndex(i);
    dteFrom_ = dateBox(a.from, this, "dteFrom");
    dteTo_ = dateBox(a.to, this, "dteTo");
    edJies_ = new QLineEdit(qs(model::jiesText(a.jies)), this);
    edJies_->setObjectName("edJies");
    edJies_->setPlaceholderText(QStringLiteral("空为全天，如 1,3,5"));
    edReason_ = new QLineEdit(qs(a.reason), this);
    edReason_->setObjectName("edReason");
    form->addRow(QStringLiteral("教师"), cbTea_);
    form->addRow(QStringLiteral("开始日期"), dteFrom_);
    form->addRow(QStringLiteral("结束日期"), dteTo_);
    form->addRow(QStringLiteral("节次"), edJies_);
    form->addRow(QStringLiteral("原因"), edReason_);
    form->addRow(okCancel(this));
}

Absence CoverAbsenceDialog::absence() const
{
    Absence a;
    a.id = id_;
    a.tea = cbTea_->currentData().toInt();
    a.from = serialOfDate(dteFrom_->date());
    a.to = serialOfDate(dteTo_->date());
    a.reason = edReason_->text().trimmed().toStdString();
    return a;
}

CoverOwnDialog::CoverOwnDialog(const KbData& kb, QWidget* parent) : QDialog(parent)
{
    setObjectName("CoverOwnDialog");
    setWindowTitle(QStringLiteral("自行安排"));
    auto* form = new QFormLayout(this);
    cbKind_ = new QComboBox(this);
    cbKind_->setObjectName("cbKind");
    cbKind_->addItem(qs(kindName(CoverKind::Substitute)), static_cast<int>(CoverKind::Substitute));
    cbKind_->addItem(qs(kindName(CoverKind::Study)), static_cast<int>(CoverKind::Study));
    cbTea_ = new QComboBox(this);
    cbTea_->setObjectName("cbTea");
    fillTeachers(cbTea_, kb);
    edNote_ = new QLineEdit(this);
    edNote_->setObjectName("edNote");
    form->addRow(QStringLiteral("方式"), cbKind_);
    form->addRow(QStringLiteral("教师"), cbTea_);
    form->addRow(QStringLiteral("备注"), edNote_);
    form->addRow(okCancel(this));
}

CoverTermDialog::CoverTermDialog(const model::Term& term, int suggestedDay, QWidget* parent) : QDialog(parent)
{
    setObjectName("CoverTermDialog");
    setWindowTitle(QStringLiteral("设置学期"));
    auto* form = new QFormLayout(this);
    dteFirst_ = dateBox(term.set() ? term.monday : suggestedDay, this, "dteFirst");
    spWeeks_ = new QSpinBox(this);
    spWeeks_->setObjectName("spWeeks");
    spWeeks_->setRange(1, 60);
    spWeeks_->setValue(term.set() ? term.weeks : 20);
    form->addRow(QStringLiteral("第一周的星期一"), dteFirst_);
    form->addRow(QStringLiteral("周数"), spWeeks_);
    form->addRow(okCancel(this));
}

// ---------------------------------------------------------------- the page

QColor CoverPage::stateColour(TeaDayState s)
{
    switch (s) {
    case TeaDayState::Busy:
        return QColor(0x4a, 0x78, 0xb8);
    case TeaDayState::Absent:
        return QColor(0xc0, 0x39, 0x2b);
    case TeaDayState::Covering:
        return QColor(0x2e, 0x8b, 0x57);
    case TeaDayState::Free:
        break;
    }
    return QColor(0xf4, 0xf6, 0xf9);
}

CoverPage::CoverPage(tavrin::ui::Shell& shell, QWidget* parent) : Page(shell, kCoverPageIndex, parent)
{
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(8, 6, 8, 6);
    lay->setSpacing(6);

    auto* top = new QHBoxLayout;
    top->setSpacing(8);
    top->addWidget(new QLabel(QStringLiteral("日期"), this));
    dteDay_ = dateBox(model::daySerial(2000, 1, 3), this, "dteDay");
    top->addWidget(dteDay_);
    lblWeek_ = new QLabel(this);
    lblWeek_->setObjectName("lblWeek");
    lblWeek_->setMinimumWidth(90);
    top->addWidget(lblWeek_);
    auto makeButton = [&](const char* name, const char* caption, bool changes) {
        auto* b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(QString::fromUtf8(name));
        if (changes)
            changers_.push_back(b);
        return b;
    };
    auto* btnTerm = makeButton("btnTerm", "设置学期", true);
    top->addWidget(btnTerm);
    top->addStretch(1);
    auto* btnSheet = makeButton("btnSheet", "代课表", false);
    auto* btnNotices = makeButton("btnNotices", "代课通知", false);
    auto* btnCounts = makeButton("btnCounts", "代课统计", false);
    top->addWidget(btnSheet);
    top->addWidget(btnNotices);
    top->addWidget(btnCounts);
    lay->addLayout(top);
    lblDayNote_ = new QLabel(this);
    lblDayNote_->setObjectName("lblDayNote");
    lblDayNote_->setStyleSheet(QStringLiteral("color:#9b2c1f;"));
    lblDayNote_->setWordWrap(true);
    lay->addWidget(lblDayNote_);

    auto* split = new QSplitter(Qt::Horizontal, this);
    split->setObjectName("splCover");
    split->setChildrenCollapsible(false);
    lay->addWidget(split, 1);

    // Left: the absences and the day grid.
    auto* left = new QSplitter(Qt::Vertical, split);
    auto* gbAbs = new QGroupBox(QStringLiteral("当日请假"), left);
    auto* absLay = new QVBoxLayout(gbAbs);
    tblAbsences_ = table(gbAbs, "tblAbsences", {QStringLiteral("教师"), QStringLiteral("日期"),
                                                 QStringLiteral("节次"), QStringLiteral("原因")});
    absLay->addWidget(tblAbsences_);
    auto* absButtons = new QHBoxLayout;
    auto* btnAdd = makeButton("btnAddAbsence", "新增", true);
    auto* btnEdit = makeButton("btnEditAbsence", "修改", true);
    auto* btnDel = makeButton("btnDelAbsence", "删除", true);
    absButtons->addWidget(btnAdd);
    absButtons->addWidget(btnEdit);
    absButtons->addWidget(btnDel);
    absButtons->addStretch(1);
    absLay->addLayout(absButtons);
    auto* gbGrid = new QGroupBox(QStringLiteral("教师当日情况（蓝：上课 红：请假 绿：代课）"), left);
    auto* gridLay = new QVBoxLayout(gbGrid);
    gridArea_ = new QScrollArea(gbGrid);
    gridArea_->setObjectName("scrDay");
    gridArea_->setWidgetResizable(false);
    grdDay_ = new tavrin::ui::KbGrid;
    grdDay_->setObjectName("grdDay");
    gridArea_->setWidget(grdDay_);
    gridLay->addWidget(gridArea_);
    left->addWidget(gbAbs);
    left->addWidget(gbGrid);
    left->setStretchFactor(0, 2);
    left->setStretchFactor(1, 3);

    // Right: the emptied lessons and the term's counts.
    auto* right = new QSplitter(Qt::Vertical, split);
    auto* gbLessons = new QGroupBox(QStringLiteral("空出的课"), right);
    auto* lesLay = new QVBoxLayout(gbLessons);
    tblLessons_ = table(gbLessons, "tblLessons",
                        {QStringLiteral("节次"), QStringLiteral("班级"), QStringLiteral("科目"), QStringLiteral("请假教师"),
                         QStringLiteral("代课安排"), QStringLiteral("说明")});
    tblLessons_->setSelectionMode(QAbstractItemView::NoSelection);
    lesLay->addWidget(tblLessons_);
    auto* gbCounts = new QGroupBox(QStringLiteral("本学期代课统计"), right);
    auto* cntLay = new QVBoxLayout(gbCounts);
    tblCounts_ = table(gbCounts, "tblCounts", {});
    cntLay->addWidget(tblCounts_);
    right->addWidget(gbLessons);
    right->addWidget(gbCounts);
    right->setStretchFactor(0, 3);
    right->setStretchFactor(1, 2);
    split->addWidget(left);
    split->addWidget(right);
    split->setStretchFactor(0, 2);
    split->setStretchFactor(1, 3);

    connect(dteDay_, &QDateEdit::dateChanged, this,
            [this](const QDate& d) { guarded([&] { setDate(serialOfDate(d)); }); });
    connect(btnTerm, &QPushButton::clicked, this, [this] { guarded([this] { setTerm(); }); });
    connect(btnAdd, &QPushButton::clicked, this, [this] { guarded([this] { addAbsence(); }); });
    connect(btnEdit, &QPushButton::clicked, this, [this] { guarded([this] { editAbsence(); }); });
    connect(btnDel, &QPushButton::clicked, this, [this] { guarded([this] { deleteAbsence(); }); });
    outputMenu(btnSheet, "mniSheet", &CoverPage::sendCoverSheet);
    outputMenu(btnNotices, "mniNotices", &CoverPage::sendNotices);
    outputMenu(btnCounts, "mniCounts", &CoverPage::sendCounts);
}

QMenu* CoverPage::outputMenu(QPushButton* b, const char* prefix, void (CoverPage::*f)(int))
{
    auto* m = new QMenu(b);
    const char* const captions[] = {"保存为Excel文件…", "保存为PDF文件…", "打印"};
    const char* const names[] = {"Xlsx", "Pdf", "Print"};
    for (int how = 0; how < 3; ++how) {
        auto* a = m->addAction(QString::fromUtf8(captions[how]));
        a->setObjectName(QString::fromUtf8(prefix) + QString::fromUtf8(names[how]));
        connect(a, &QAction::triggered, this, [this, f, how] { guarded([&] { (this->*f)(how); }); });
    }
    b->setMenu(m);
    return m;
}

QString CoverPage::statusText() const
{
    return QStringLiteral("提示：选择日期，登记请假，再为每节空出的课选定代课、调课或自习；代课不改动课程表。");
}

void CoverPage::guarded(const std::function<void()>& f)
{
    // A fault of the file reaches the operator as one message, as the window's own would.
    try {
        f();
    } catch (const std::exception& e) {
        store::logFault("cover page", e.what());
        shell().asker().inform(QString::fromStdString(store::userMessage(e)), QStringLiteral("代课"), Icon::Critical);
    }
}

bool CoverPage::viewer() const
{
    return shell().session().isViewer();
}

void CoverPage::tell(const std::string& message)
{
    shell().asker().inform(qs(message), QStringLiteral("代课"), Icon::Warning);
}

void CoverPage::load(int)
{
    LoadKbData(shell().store(), kb_);
    book_ = loadCoverBook(shell().store());
    for (QPushButton* b : changers_)
        b->setEnabled(!viewer());
    // The first school day of the term, or of the week of the last day shown.
    int start = date_;
    if (book_.term.set() && !book_.term.contains(start))
        start = book_.term.monday;
    if (start == 0)
        start = serialOfDate(QDate::currentDate());
    date_ = 0;
    setDate(start);
}

void CoverPage::leave()
{
    FreeKbData(kb_);
    book_ = {};
    day_ = {};
    tblAbsences_->setRowCount(0);
    tblLessons_->setRowCount(0);
    tblCounts_->setRowCount(0);
    grdDay_->clear();
}

void CoverPage::reloadBook()
{
    book_ = loadCoverBook(shell().store());
}

void CoverPage::setDate(int serial)
{
    date_ = serial;
    if (serialOfDate(dteDay_->date()) != serial) {
        const QSignalBlocker quiet(dteDay_);
        dteDay_->setDate(dateOfSerial(serial));
    }
    showDay();
}

void CoverPage::showDay()
{
    day_ = {};
    const store::Result r = coverDay(kb_, book_, date_, true, CoverRules{}, day_);
    dayOk_ = r.ok;
    if (!book_.term.set())
        lblWeek_->setText(QStringLiteral("未设置学期"));
    else if (book_.term.contains(date_))
        lblWeek_->setText(QStringLiteral("第%1周 %2").arg(book_.term.week(date_)).arg(
            qs(kb_.school.WeekName[at(model::weekdayOf(date_))])));
    else
        lblWeek_->setText(QStringLiteral("不在学期内"));
    lblDayNote_->setText(r.ok ? QString() : qs(r.message));
    lblDayNote_->setVisible(!r.ok);
    fillAbsences();
    fillLessons();
    fillGrid();
    fillCounts();
}

std::vector<Absence> CoverPage::dayAbsences() const
{
    if (dayOk_)
        return day_.absences;
    std::vector<Absence> out;
    for (const auto& a : book_.absences)
        if (a.from <= date_ && a.to >= date_)
            out.push_back(a);
    return out;
}

void CoverPage::fillAbsences()
{
    const auto list = dayAbsences();
    tblAbsences_->setRowCount(static_cast<int>(list.size()));
    for (int i = 0; i < static_cast<int>(list.size()); ++i) {
        const Absence& a = list[at(i)];
        auto* name = item(spreadsheet::coverTeaName(kb_, a.tea));
        name->setData(Qt::UserRole, QVariant::fromValue<qlonglong>(a.id));
        tblAbsences_->setItem(i, 0, name);
        tblAbsences_->setItem(i, 1, item(a.from == a.to ? model::dateText(a.from)
                                                         : model::dateText(a.from) + " 至 " + model::dateText(a.to)));
        tblAbsences_->setItem(i, 2, item(a.jies.empty() ? std::string("全天") : model::jiesText(a.jies)));
        tblAbsences_->setItem(i, 3, item(a.reason));
    }
    tblAbsences_->resizeColumnsToContents();
    if (!list.empty())
        tblAbsences_->selectRow(0);
}

QComboBox* CoverPage::coverBox(int row) const
{
    return qobject_cast<QComboBox*>(tblLessons_->cellWidget(row, 4));
}

void CoverPage::fillLessons()
{
    tblLessons_->setRowCount(0);
    if (!dayOk_)
        return;
    const int n = static_cast<int>(day_.lessons.size());
    tblLessons_->setRowCount(n);
    const QColor brokenBack(0xfb, 0xe3, 0xe0);
    for (int i = 0; i < n; ++i) {
        const EmptiedLesson& e = day_.lessons[at(i)];
        tblLessons_->setItem(i, 0, item(spreadsheet::coverJieText(e.jie)));
        tblLessons_->setItem(i, 1, item(spreadsheet::coverBansText(kb_, e)));
        tblLessons_->setItem(i, 2, item(e.ke >= 1 && e.ke < static_cast<int>(kb_.school.KemuName.size())
                                            ? kb_.school.KemuName[at(e.ke)]
                                            : std::string()));
        tblLessons_->setItem(i, 3, item(spreadsheet::coverTeaName(kb_, e.tea)));
        auto* box = new QComboBox(tblLessons_);
        box->setObjectName(QStringLiteral("cbCover%1").arg(i));
        box->addItem(e.hasCover ? QStringLiteral("已定 ") + qs(spreadsheet::coverText(kb_, e.cover))
                                : QStringLiteral("（未安排）"),
                     static_cast<int>(Chosen));
        for (int k = 0; k < static_cast<int>(e.suggestions.size()); ++k) {
            const CoverSuggestion& s = e.suggestions[at(k)];
            QString text = qs(spreadsheet::suggestionText(kb_, s));
            if (s.warned)
                text += QStringLiteral("（需确认）");
            box->addItem(text, k);
        }
        box->addItem(QStringLiteral("自行安排…"), static_cast<int>(Own));
        if (e.hasCover)
            box->addItem(QStringLiteral("取消安排"), static_cast<int>(Remove));
        // The cell stays narrow; the list opens as wide as its longest reason.
        box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        box->setMinimumContentsLength(16);
        box->view()->setMinimumWidth(box->view()->sizeHintForColumn(0) + 24);
        box->setEnabled(!viewer());
        connect(box, qOverload<int>(&QComboBox::activated), this,
                [this, i](int index) { guarded([&] { pickCover(i, index); }); });
        tblLessons_->setCellWidget(i, 4, box);
        QString note;
        if (!e.broken.empty())
            note = QStringLiteral("失效：") + qs(e.broken);
        else if (!e.hasCover)
            note = e.suggestions.empty() ? QStringLiteral("没有可用的安排") : QStringLiteral("待安排");
        auto* noteItem = new QTableWidgetItem(note);
        tblLessons_->setItem(i, 5, noteItem);
        if (!e.broken.empty()) {
            for (int c = 0; c < tblLessons_->columnCount(); ++c)
                if (auto* it = tblLessons_->item(i, c))
                    it->setBackground(brokenBack);
            noteItem->setForeground(QColor(0x9b, 0x2c, 0x1f));
        }
    }
    tblLessons_->resizeColumnsToContents();
    // The cover's column takes the room left, so a chosen cover reads in full.
    tblLessons_->horizontalHeader()->setSectionResizeMode(4, QHeaderView::Stretch);
}

int CoverPage::teaOfRow(int d) const
{
    return d >= 1 && d <= static_cast<int>(teaRows_.size()) ? teaRows_[at(d - 1)] : 0;
}

void CoverPage::fillGrid()
{
    teaRows_.clear();
    const auto& s = kb_.school;
    const int P = s.P();
    if (!dayOk_ || P <= 0) {
        grdDay_->clear();
        grdDay_->resize(0, 0);
        return;
    }
    for (int t = 1; t <= s.TeaOldNum; ++t)
        if (!s.TeaName[at(t)].empty())
            teaRows_.push_back(t);
    // The absent teachers first, then those covering, then the rest: in a school of hundreds
    // the rows that matter that day are the ones seen without scrolling.
    auto rank = [this, P](int t) {
        int r = 2;
        for (int j = 1; j <= P && day_.states.inside(t, j); ++j) {
            if (day_.states(t, j) == TeaDayState::Absent)
                return 0;
            if (day_.states(t, j) == TeaDayState::Covering)
                r = 1;
        }
        return r;
    };
    std::stable_sort(teaRows_.begin(), teaRows_.end(), [&](int a, int b) { return rank(a) < rank(b); });
    const int rows = static_cast<int>(teaRows_.size());
    grdDay_->setGeometryFunction([rows, P](QSize) {
        tavrin::ui::GridGeometry g;
        g.days = rows;
        g.periods = P;
        g.daysAsRows = true;
        g.cellW = 30;
        g.cellH = 20;
        g.headerW = 76;
        g.headerH = 22;
        g.fontSize = 9;
        return g;
    });
    grdDay_->setWeek(rows, P);
    QStringList periods, names;
    for (int j = 1; j <= P; ++j)
        periods << QString::number(j);
    for (int t : teaRows_)
        names << qs(s.TeaName[at(t)]);
    grdDay_->setPeriodHeaders(periods);
    grdDay_->setDayHeaders(names);
    grdDay_->setCornerText(QStringLiteral("节次"));
    auto stateAt = [this, P](int slot) {
        const int d = (slot - 1) / P + 1, j = slot - (d - 1) * P;
        const int t = teaOfRow(d);
        return t > 0 && day_.states.inside(t, j) ? day_.states(t, j) : TeaDayState::Free;
    };
    grdDay_->setCellFunction([stateAt](int slot) {
        tavrin::ui::KbGridCell c;
        switch (stateAt(slot)) {
        case TeaDayState::Busy:
            c.text = QStringLiteral("课");
            break;
        case TeaDayState::Absent:
            c.text = QStringLiteral("假");
            break;
        case TeaDayState::Covering:
            c.text = QStringLiteral("代");
            break;
        case TeaDayState::Free:
            break;
        }
        return c;
    });
    grdDay_->setFillFunction([stateAt](int slot) { return stateColour(stateAt(slot)); });
    grdDay_->setFillTextFunction([stateAt](int slot) {
        return stateAt(slot) == TeaDayState::Free ? QColor(0x3d, 0x4a, 0x5c) : QColor(Qt::white);
    });
    grdDay_->refresh();
    grdDay_->resize(grdDay_->geometry().used() + QSize(2, 2));
}

void CoverPage::fillCounts()
{
    tblCounts_->clear();
    tblCounts_->setRowCount(0);
    tblCounts_->setColumnCount(0);
    if (!book_.term.set())
        return;
    std::vector<TeaCoverCount> counts;
    if (!coverReport(kb_, book_, book_.term.monday, book_.term.lastDay(), counts).ok)
        return;
    const std::vector<std::string> months = spreadsheet::coverMonths(counts);
    QStringList heads{QStringLiteral("教师"), QStringLiteral("代课"), QStringLiteral("缺课")};
    for (const auto& m : months)
        heads << qs(m) + QStringLiteral(" 代课") << qs(m) + QStringLiteral(" 缺课");
    tblCounts_->setColumnCount(static_cast<int>(heads.size()));
    tblCounts_->setHorizontalHeaderLabels(heads);
    tblCounts_->setRowCount(static_cast<int>(counts.size()));
    for (int i = 0; i < static_cast<int>(counts.size()); ++i) {
        const TeaCoverCount& t = counts[at(i)];
        tblCounts_->setItem(i, 0, item(spreadsheet::coverTeaName(kb_, t.tea)));
        tblCounts_->setItem(i, 1, new QTableWidgetItem(QString::number(t.given)));
        tblCounts_->setItem(i, 2, new QTableWidgetItem(QString::number(t.missed)));
        for (const auto& m : t.months) {
            const int k = static_cast<int>(std::find(months.begin(), months.end(), m.month) - months.begin());
            tblCounts_->setItem(i, 3 + 2 * k, new QTableWidgetItem(QString::number(m.given)));
            tblCounts_->setItem(i, 4 + 2 * k, new QTableWidgetItem(QString::number(m.missed)));
        }
    }
    tblCounts_->resizeColumnsToContents();
}

// ---------------------------------------------------------------- commands

std::optional<Absence> CoverPage::askAbsence(const Absence& start)
{
    CoverAbsenceDialog d(kb_, start, this);
    tavrin::ui::runDialog(runner_, d);
    if (d.result() != QDialog::Accepted)
        return std::nullopt;
    Absence a = d.absence();
    const QString jies = d.jiesEdit()->text().trimmed();
    if (!jies.isEmpty()) {
        const auto parsed = model::parseJies(jies.toStdString());
        if (!parsed) {
            tell("节次应写成用逗号隔开的节次号，例如 1,3,5；全天请假时不填。");
            return std::nullopt;
        }
        a.jies = *parsed;
    }
    return a;
}

void CoverPage::addAbsence()
{
    if (shell().refuseViewer())
        return;
    Absence start;
    start.from = start.to = date_;
    const auto a = askAbsence(start);
    if (!a)
        return;
    const store::Result r = timetable::addAbsence(shell().store(), kb_, book_, *a);
    if (!r.ok)
        tell(r.message);
    reloadBook();
    showDay();
}

std::optional<Absence> CoverPage::selectedAbsence()
{
    const auto list = dayAbsences();
    const int row = tblAbsences_->currentRow();
    if (row < 0 || row >= static_cast<int>(list.size())) {
        tell("请先在请假列表中选择一项。");
        return std::nullopt;
    }
    return list[at(row)];
}

void CoverPage::editAbsence()
{
    if (shell().refuseViewer())
        return;
    const auto picked = selectedAbsence();
    if (!picked)
        return;
    const Absence old = *picked;
    auto a = askAbsence(old);
    if (!a)
        return;
    a->id = 0;
    // The new version is checked before anything is asked or written, so a refusal keeps the
    // old one as it was.
    CoverBook without = book_;
    std::erase_if(without.absences, [&](const Absence& x) { return x.id == old.id; });
    if (const store::Result c = checkAbsence(kb_, without, *a); !c.ok) {
        tell(c.message);
        return;
    }
    if (const auto dropped = coversDroppedByReplacing(book_, old.id, *a); !dropped.empty()) {
        const QString q = QStringLiteral("修改后不再请假的%1节课已有代课安排，将一并删除。继续修改？").arg(dropped.size());
        if (shell().asker().ask(q, QStringLiteral("修改请假"), tavrin::ui::Buttons::YesNo) != tavrin::ui::Answer::Yes)
            return;
    }
    const store::Result r = timetable::replaceAbsence(shell().store(), kb_, book_, old.id, *a);
    if (!r.ok)
        tell(r.message);
    reloadBook();
    showDay();
}

void CoverPage::deleteAbsence()
{
    if (shell().refuseViewer())
        return;
    const auto picked = selectedAbsence();
    if (!picked)
        return;
    const Absence& a = *picked;
    const QString q = QStringLiteral("删除%1的请假（%2 至 %3）？该请假空出的课的代课安排也一并删除。")
                          .arg(qs(spreadsheet::coverTeaName(kb_, a.tea)), qs(model::dateText(a.from)),
                               qs(model::dateText(a.to)));
    if (shell().asker().ask(q, QStringLiteral("删除请假"), tavrin::ui::Buttons::YesNo) != tavrin::ui::Answer::Yes)
        return;
    const store::Result r = timetable::removeAbsence(shell().store(), book_, a.id);
    if (!r.ok)
        tell(r.message);
    reloadBook();
    showDay();
}

void CoverPage::setTerm()
{
    if (shell().refuseViewer())
        return;
    CoverTermDialog d(book_.term, model::mondayOf(date_), this);
    tavrin::ui::runDialog(runner_, d);
    if (d.result() != QDialog::Accepted)
        return;
    std::string note;
    const store::Result r = timetable::saveTerm(shell().store(), book_, serialOfDate(d.firstEdit()->date()),
                                                d.weeksBox()->value(), note);
    if (!r.ok) {
        tell(r.message);
        return;
    }
    if (!note.empty())
        shell().asker().inform(qs(note), QStringLiteral("设置学期"), Icon::Information);
    reloadBook();
    if (!book_.term.contains(date_))
        date_ = book_.term.monday;
    setDate(date_);
}

void CoverPage::storeCover(const EmptiedLesson& e, Cover c)
{
    c.id = 0;
    if (e.hasCover) {
        CoverBook without = book_;
        std::erase_if(without.covers, [&](const Cover& x) { return x.id == e.cover.id; });
        if (const store::Result r = checkCover(kb_, without, c); !r.ok) {
            tell(r.message);
            return;
        }
        if (const store::Result r = timetable::removeCover(shell().store(), book_, e.cover.id); !r.ok) {
            tell(r.message);
            return;
        }
    }
    if (const store::Result r = timetable::addCovers(shell().store(), kb_, book_, {c}); !r.ok)
        tell(r.message);
}

void CoverPage::pickCover(int row, int index)
{
    if (row < 0 || row >= static_cast<int>(day_.lessons.size()))
        return;
    QComboBox* box = coverBox(row);
    const int choice = box ? box->itemData(index).toInt() : static_cast<int>(Chosen);
    if (choice == Chosen)
        return;
    if (shell().refuseViewer()) {
        showDay();
        return;
    }
    const EmptiedLesson e = day_.lessons[at(row)];
    if (choice == Remove) {
        const store::Result r = timetable::removeCover(shell().store(), book_, e.cover.id);
        if (!r.ok)
            tell(r.message);
    } else if (choice == Own) {
        CoverOwnDialog d(kb_, this);
        tavrin::ui::runDialog(runner_, d);
        if (d.result() == QDialog::Accepted) {
            Cover c;
            c.date = e.date;
            c.jie = e.jie;
            c.ban = e.bans.empty() ? 0 : e.bans.front();
            c.tea = e.tea;
            c.ke = e.ke;
            c.kind = static_cast<CoverKind>(d.kindBox()->currentData().toInt());
            c.by = d.teaBox()->currentData().toInt();
            c.note = d.noteEdit()->text().trimmed().toStdString();
            storeCover(e, c);
        }
    } else if (choice >= 0 && choice < static_cast<int>(e.suggestions.size())) {
        const CoverSuggestion& s = e.suggestions[at(choice)];
        bool go = true;
        if (s.warned)
            go = shell().asker().ask(QStringLiteral("%1\n%2\n确定这样安排吗？")
                                         .arg(qs(spreadsheet::coverText(kb_, s.cover)), qs(s.reason)),
                                     QStringLiteral("代课"), tavrin::ui::Buttons::YesNo) == tavrin::ui::Answer::Yes;
        if (go)
            storeCover(e, s.cover);
    }
    reloadBook();
    showDay();
}

// ---------------------------------------------------------------- what goes out

void CoverPage::send(const spreadsheet::Workbook& book, int how, const QString& title, const QString& name)
{
    if (how == 0) {
        const QString path = shell().asker().saveFileNameAt(title, QStringLiteral("Excel文件 (*.xlsx)"),
                                                            name + QStringLiteral(".xlsx"));
        if (path.isEmpty())
            return;
        const spreadsheet::WriteResult w = book.save(path.toStdString());
        if (!w.ok)
            tell("无法保存EXCEL文件。\n" + w.error);
        return;
    }
    if (how == 1) {
        const QString path =
            shell().asker().saveFileNameAt(title, QStringLiteral("PDF文件 (*.pdf)"), name + QStringLiteral(".pdf"));
        if (path.isEmpty())
            return;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        if (spreadsheet::printWorkbook(book, printer) <= 0)
            tell("无法写入PDF文件：" + path.toStdString());
        return;
    }
    QString why;
    if (!spreadsheet::printOnDefaultPrinter(book, &why))
        shell().asker().inform(why, title, Icon::Warning);
}

void CoverPage::sendCoverSheet(int how)
{
    if (!dayOk_) {
        tell(lblDayNote_->text().toStdString());
        return;
    }
    spreadsheet::Workbook book;
    spreadsheet::exportCoverSheet(kb_, day_, book);
    send(book, how, QStringLiteral("代课表"), QStringLiteral("代课表") + qs(model::dateText(date_)));
}

void CoverPage::sendNotices(int how)
{
    if (!dayOk_) {
        tell(lblDayNote_->text().toStdString());
        return;
    }
    spreadsheet::Workbook book;
    int y = 0, m = 0, d = 0;
    model::civilDate(date_, y, m, d);
    if (spreadsheet::exportCoverNotices(kb_, day_, "教务处", spreadsheet::noticeDate(y, m, d), book) == 0) {
        tell("这一天还没有选定代课教师，没有要发的通知。");
        return;
    }
    send(book, how, QStringLiteral("代课通知"), QStringLiteral("代课通知") + qs(model::dateText(date_)));
}

void CoverPage::sendCounts(int how)
{
    if (!book_.term.set()) {
        tell("尚未设置学期的开始日期和周数。");
        return;
    }
    std::vector<TeaCoverCount> counts;
    const store::Result r = coverReport(kb_, book_, book_.term.monday, book_.term.lastDay(), counts);
    if (!r.ok) {
        tell(r.message);
        return;
    }
    spreadsheet::Workbook book;
    spreadsheet::exportCoverCounts(kb_, counts, book_.term.monday, book_.term.lastDay(), book);
    send(book, how, QStringLiteral("代课统计"), QStringLiteral("代课统计"));
}

QPushButton* CoverPage::button(const char* name) const
{
    return findChild<QPushButton*>(QString::fromUtf8(name));
}

namespace {
const bool registered = tavrin::ui::registerPage(kCoverPageIndex, [](tavrin::ui::Shell& sh) {
    return new CoverPage(sh);
});
}  // namespace

}  // namespace tavrin::timetable::ui
