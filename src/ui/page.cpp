#include "ui/page.h"

#include <QAbstractButton>
#include <QLabel>
#include <QVBoxLayout>

namespace tavrin::ui {

int pageOfTable(int table)
{
    switch (table) {
    case KbAll:
        return 7;
    case KbRenke:
        return 8;
    default:
        return 6;
    }
}

Page::Page(Shell& shell, int index, QWidget* parent) : QWidget(parent), shell_(shell), index_(index)
{
    setObjectName(QStringLiteral("ts%1").arg(index));
}

void Page::load(int) {}

bool Page::save()
{
    return true;
}

bool Page::hasSave() const
{
    return (index_ >= 1 && index_ <= 4) || (index_ >= 6 && index_ <= 8);
}

QString Page::statusText() const
{
    return defaultStatusText(index_);
}

QString Page::helpTopic() const
{
    return defaultHelpTopic(index_);
}

QMenu* Page::pageMenu()
{
    return nullptr;
}

void Page::leave() {}

void Page::showTable(int table)
{
    shell_.switchToPage(pageOfTable(table));
}

void Page::markChanged()
{
    shell_.setDataChanged(true);
}

QString defaultStatusText(int index)
{
    switch (index) {
    case 1:
        return QStringLiteral("提示：点击年级名称可以修改；点击班级名称可以修改；自动填充班级名称时会以“年级名+班序”的方式对所有班级名称进行修改。");
    case 2:
        return QStringLiteral("提示：自习、班会...等“固定课”可以跟“无课”一样看待，在后面的环节中不用做任何设置；“公共时段”指课间操、眼健操等时段。");
    case 3:
        return QStringLiteral("提示：“课时容量”指在第二环节设置的各班的课时总数，科目节数“合计”是不能大于“课时容量”的，当合计数为红色时，表示总节数超过“课时容量”而出错。");
    case 4:
        return QStringLiteral("提示：拖动任课以分配教师任课，也可通过导入、导出EXCEL的方式设置教师任课。");
    case 5:
        return QStringLiteral("若排出的课不理想，可点击“重排一次”，以排出更理想的课。");
    case 6:
    case 7:
        return QStringLiteral("提示：选择“表格样式”，选择一种自己习惯的课程表格式进行操作和打印。");
    case 8:
        return QStringLiteral("该表只供浏览，调课请于班级表、教师表、总课程表中调课。");
    default:
        return {};
    }
}

QString defaultHelpTopic(int index)
{
    // The assignment table is explained with the whole-school table; the cover page has a
    // topic of its own.
    if (index == 8)
        return QStringLiteral("7");
    return QString::number(index < 0 ? 0 : index);
}

QString pageCaption(int index)
{
    static const char* const captions[] = {"欢迎使用", "1.班级", "2.课节",   "3.科目",  "4.教师",
                                           "5.自动排课", "课程表", "总课程表", "总任课表", "代课安排"};
    if (index < 0 || index > 9)
        return {};
    return QString::fromUtf8(captions[index]);
}

static std::map<int, PageFactory>& registry()
{
    static std::map<int, PageFactory> r;
    return r;
}

bool registerPage(int index, PageFactory factory)
{
    if (factory)
        registry()[index] = std::move(factory);
    else
        registry().erase(index);
    return true;
}

const std::map<int, PageFactory>& registeredPages()
{
    return registry();
}

PlaceholderPage::PlaceholderPage(Shell& shell, int index, QWidget* parent) : Page(shell, index, parent)
{
    auto* lay = new QVBoxLayout(this);
    lay->addStretch(2);
    lblTitle_ = new QLabel(pageCaption(index), this);
    lblTitle_->setObjectName("lblPlaceholderTitle");
    lblTitle_->setAlignment(Qt::AlignCenter);
    QFont f = lblTitle_->font();
    f.setPixelSize(26);
    f.setBold(true);
    lblTitle_->setFont(f);
    lblTitle_->setStyleSheet("color:#2b3a4f;");
    lblTable_ = new QLabel(this);
    lblTable_->setObjectName("lblPlaceholderTable");
    lblTable_->setAlignment(Qt::AlignCenter);
    lblTable_->setStyleSheet("color:#4a5a70;");
    auto* note = new QLabel(QStringLiteral("该步骤的界面正在建设中。"), this);
    note->setObjectName("lblUnderConstruction");
    note->setAlignment(Qt::AlignCenter);
    note->setStyleSheet("color:#6b778a;");
    lay->addWidget(lblTitle_);
    lay->addWidget(lblTable_);
    lay->addWidget(note);
    lay->addStretch(3);
    lblTable_->setVisible(false);
}

void PlaceholderPage::load(int table)
{
    table_ = table;
    showTableCaption();
}

void PlaceholderPage::showTable(int table)
{
    int target = pageOfTable(table);
    if (target != index()) {
        if (auto* p = dynamic_cast<PlaceholderPage*>(shell().page(target))) {
            p->table_ = table;
            p->showTableCaption();
        }
        shell().switchToPage(target);
        return;
    }
    table_ = table;
    showTableCaption();
}

void PlaceholderPage::showTableCaption()
{
    static const char* const names[] = {"", "班级课程表", "教师课程表", "总课程表", "总任课表"};
    bool timetable = index() >= 6 && table_ >= KbBan && table_ <= KbRenke;
    lblTable_->setVisible(timetable);
    if (timetable)
        lblTable_->setText(QString::fromUtf8(names[table_]));
    if (timetable)
        if (auto* b = shell().biaoButton(table_))
            b->setChecked(true);
}

}  // namespace tavrin::ui
