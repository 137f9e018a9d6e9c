#include "spreadsheet/ui/tfrmprkb.h"

#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontDialog>
#include <QGridLayout>
#include <QGuiApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QVBoxLayout>

#include "scheduler/conditions.h"
#include "spreadsheet/ui/printsheets.h"
#include "ui/asker.h"
#include "ui/longjob.h"
#include "ui/widgets.h"

namespace tavrin::spreadsheet {

QString kaiTiFace()
{
    const QStringList families = QFontDatabase::families();
    for (const QString& f : families)
        if (f.startsWith(QStringLiteral("楷体")))
            return f;
    // Linux names its Kai faces otherwise ("AR PL UKai CN", "楷书").
    for (const QString& f : families)
        if (f.contains(QStringLiteral("楷")) || f.contains(QStringLiteral("Kai")))
            return f;
    return {};
}

std::string defaultExportFace()
{
    // Qt's title and general fonts stand in for the window caption and registry faces. A
    // face without Chinese (the desktop's own on many Linux systems) would leave every name
    // to the spreadsheet's fallback: the program's own Chinese face comes before it.
    auto chinese = [](const QString& f) {
        return !f.isEmpty() && QFontDatabase::writingSystems(f).contains(QFontDatabase::SimplifiedChinese);
    };
    for (const QString& f : {kaiTiFace(), QFontDatabase::systemFont(QFontDatabase::TitleFont).family(),
                             QFontDatabase::systemFont(QFontDatabase::GeneralFont).family(),
                             QGuiApplication::font().family()})
        if (chinese(f))
            return f.toStdString();
    // Any installed Chinese face, one made for simplified Chinese first.
    const QStringList installed = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    for (const QString& f : installed)
        if (f.contains(QLatin1String(" SC")) || f.contains(QLatin1String("CN")))
            return f.toStdString();
    if (!installed.isEmpty())
        return installed.front().toStdString();
    return "宋体";
}

QString freeExportFile(const QString& dir, const QString& stem)
{
    const QString base = stem + QDateTime::currentDateTime().toString("-yyyyMMdd-HHmmss");
    QString path = QDir(dir).filePath(base + ".xlsx");
    for (int k = 2; QFileInfo::exists(path); ++k)
        path = QDir(dir).filePath(QStringLiteral("%1(%2).xlsx").arg(base).arg(k));
    return path;
}

void pickExportFont(QWidget* parent, std::string& face, int& size, int fallbackSize)
{
    QFont f(QString::fromStdString(face), size);
    bool ok = false;
    f = QFontDialog::getFont(&ok, f, parent);
    face = f.family().toStdString();
    size = f.pointSize() > 0 ? f.pointSize() : fallbackSize;
}

QString defaultExportDir()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + QStringLiteral("/Tavrin导出");
}

namespace {

// Item 0 of the teacher list follows the others as item 0 of the class list does.
std::vector<bool> allRule(std::vector<bool> checks, int row, bool on)
{
    return scheduler::applyClassCheck(std::move(checks), row, on);
}

// The next row after the selected one (wrapping to row 1) whose caption holds `text`: with
// nothing or row 0 selected every row 1..n is tried, otherwise the n - 1 others.
int findNext(ui::CheckList& list, const QString& text)
{
    const int n = list.rowCount() - 1;
    if (text.isEmpty() || n < 1)
        return -1;
    QTreeWidgetItem* cur = list.currentItem();
    const int sel = cur ? list.indexOfTopLevelItem(cur) : 0;
    const int tries = sel >= 1 ? n - 1 : n;
    int row = sel >= 1 ? sel : 0;
    for (int k = 0; k < tries; ++k) {
        row = row >= n ? 1 : row + 1;
        if (list.caption(row).contains(text)) {
            list.setCurrentItem(list.topLevelItem(row));
            list.scrollToItem(list.topLevelItem(row));
            return row;
        }
    }
    return -1;
}

}  // namespace

TfrmPrKb::TfrmPrKb(const model::School& school, const model::Array2<int>& classGrid, const model::Array2<int>& teaGrid,
                   store::Store& st, ui::Asker& asker, int defaultLayout, QWidget* parent)
    : ExportDialog(asker, QStringLiteral("导出"), parent), school_(school), classGrid_(classGrid), teaGrid_(teaGrid),
      st_(st), defaultLayout_(defaultLayout)
{
    setObjectName("TfrmPrKb");
    setWindowTitle(QStringLiteral("导出、打印课程表"));
    BanIsSel.assign(static_cast<std::size_t>(school_.MaxBanID) + 1, false);
    TeaIsSel.assign(static_cast<std::size_t>(school_.TeaOldNum) + 1, false);

    lvSelBan_ = new ui::CheckList(QStringLiteral("选择班级表"), this);
    lvSelTea_ = new ui::CheckList(QStringLiteral("选择教师表"), this);
    lvSelBan_->setToggleRule(allRule);
    lvSelTea_->setToggleRule(allRule);
    edtFnBan_ = new QLineEdit(this);
    edtFnTea_ = new QLineEdit(this);
    auto* btnFnBan = new QPushButton(QStringLiteral("查找"), this);
    auto* btnFnTea = new QPushButton(QStringLiteral("查找"), this);
    btnFnBan->setObjectName("btnFnBan");
    btnFnTea->setObjectName("btnFnTea");
    connect(btnFnBan, &QPushButton::clicked, this, &TfrmPrKb::findClass);
    connect(btnFnTea, &QPushButton::clicked, this, &TfrmPrKb::findTeacher);

    btnGdType1_ = new QRadioButton(QStringLiteral("每天一行"), this);
    btnGdType2_ = new QRadioButton(QStringLiteral("每天一列"), this);
    btnPaper1_ = new QRadioButton(QStringLiteral("A4"), this);
    btnPaper2_ = new QRadioButton(QStringLiteral("A4（一页两张）"), this);
    btnPaper3_ = new QRadioButton(QStringLiteral("A5"), this);
    btnPaper2_->setChecked(true);
    auto* layoutBox = new QGroupBox(QStringLiteral("表格样式"), this);
    auto* lb = new QHBoxLayout(layoutBox);
    lb->addWidget(btnGdType1_);
    lb->addWidget(btnGdType2_);
    auto* paperBox = new QGroupBox(QStringLiteral("纸张"), this);
    auto* pb = new QHBoxLayout(paperBox);
    pb->addWidget(btnPaper1_);
    pb->addWidget(btnPaper2_);
    pb->addWidget(btnPaper3_);

    chkFont1_ = new QCheckBox(QStringLiteral("显示科目"), this);
    chkFont2_ = new QCheckBox(QStringLiteral("显示教师（班级）"), this);
    chkFont1_->setChecked(true);
    chkFont2_->setChecked(true);
    btnFont1_ = new QPushButton(QStringLiteral("设置字体"), this);
    btnFont2_ = new QPushButton(QStringLiteral("设置字体"), this);
    lblFont1_ = new QLabel(this);
    lblFont2_ = new QLabel(this);
    connect(btnFont1_, &QPushButton::clicked, this, [this] { pickFont(1); });
    connect(btnFont2_, &QPushButton::clicked, this, [this] { pickFont(2); });
    edtTimeHead_ = new QLineEdit(this);
    edtBottomText_ = new QLineEdit(this);
    chkPr_ = new QCheckBox(QStringLiteral("导出后自动打印"), this);
    chkPr_->setObjectName("chkPr");
    printSheets = printOnDefaultPrinter;
    connect(btnOutExcel_, &QPushButton::clicked, this, &TfrmPrKb::startExport);

    auto* lists = new QGridLayout;
    lists->addWidget(lvSelBan_, 0, 0, 1, 2);
    lists->addWidget(lvSelTea_, 0, 2, 1, 2);
    lists->addWidget(edtFnBan_, 1, 0);
    lists->addWidget(btnFnBan, 1, 1);
    lists->addWidget(edtFnTea_, 1, 2);
    lists->addWidget(btnFnTea, 1, 3);
    auto* fonts = new QGridLayout;
    fonts->addWidget(chkFont1_, 0, 0);
    fonts->addWidget(lblFont1_, 0, 1);
    fonts->addWidget(btnFont1_, 0, 2);
    fonts->addWidget(chkFont2_, 1, 0);
    fonts->addWidget(lblFont2_, 1, 1);
    fonts->addWidget(btnFont2_, 1, 2);
    fonts->addWidget(new QLabel(QStringLiteral("时间："), this), 2, 0);
    fonts->addWidget(edtTimeHead_, 2, 1, 1, 2);
    fonts->addWidget(new QLabel(QStringLiteral("底注："), this), 3, 0);
    fonts->addWidget(edtBottomText_, 3, 1, 1, 2);
    auto* right = new QVBoxLayout;
    right->addWidget(layoutBox);
    right->addWidget(paperBox);
    right->addLayout(fonts);
    right->addWidget(chkPr_);
    right->addStretch();
    right->addWidget(pnlLoading_);
    right->addWidget(progress_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOutExcel_);
    buttons->addWidget(btnCancel_);
    right->addLayout(buttons);
    auto* top = new QHBoxLayout(this);
    top->addLayout(lists, 3);
    top->addLayout(right, 2);
    resize(900, 560);
}

TfrmPrKb::~TfrmPrKb() = default;

void TfrmPrKb::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    loadData();
    chkPr_->setChecked(false);
}

void TfrmPrKb::loadData()
{
    lvSelBan_->clearRows();
    lvSelBan_->addRow(QStringLiteral("全校"), "0", false);
    for (int ban : classOrder(school_))
        lvSelBan_->addRow(QString::fromStdString(school_.BanName[static_cast<std::size_t>(ban)]), QString::number(ban),
                          ban < static_cast<int>(BanIsSel.size()) && BanIsSel[static_cast<std::size_t>(ban)]);
    lvSelTea_->clearRows();
    lvSelTea_->addRow(QStringLiteral("全部"), "0", false);
    for (int t = 1; t <= school_.TeaOldNum; ++t)
        lvSelTea_->addRow(QString::fromStdString(school_.TeaName[static_cast<std::size_t>(t)]), QString::number(t),
                          t < static_cast<int>(TeaIsSel.size()) && TeaIsSel[static_cast<std::size_t>(t)]);

    KbExportOptions o;
    o.font1.clear();
    o.font2.clear();
    o.timeHead = schoolYearText(today.year(), today.month());
    (defaultLayout_ == 2 ? btnGdType2_ : btnGdType1_)->setChecked(true);
    if (readPrintSetting(st_, o))
        (o.paper == "A5" ? btnPaper3_ : o.paper == "A4L" ? btnPaper2_ : btnPaper1_)->setChecked(true);
    font1_ = o.font1;
    font2_ = o.font2;
    size1_ = o.size1;
    size2_ = o.size2;
    if (font1_.empty())
        font1_ = defaultExportFace();
    if (font2_.empty())
        font2_ = font1_;
    showFonts();
    edtTimeHead_->setText(QString::fromStdString(o.timeHead));
    edtBottomText_->setText(QString::fromStdString(o.bottomText));
}

void TfrmPrKb::showFonts()
{
    lblFont1_->setText(QString::fromStdString(font1_) + QStringLiteral("，") + QString::number(size1_));
    lblFont2_->setText(QString::fromStdString(font2_) + QStringLiteral("，") + QString::number(size2_));
}

void TfrmPrKb::pickFont(int which)
{
    if (which == 1)
        pickExportFont(this, font1_, size1_, 16);
    else
        pickExportFont(this, font2_, size2_, 10);
    showFonts();
}

KbExportOptions TfrmPrKb::options() const
{
    KbExportOptions o;
    o.layout = btnGdType2_->isChecked() ? 2 : 1;
    o.paper = btnPaper3_->isChecked() ? "A5" : btnPaper2_->isChecked() ? "A4L" : "A4";
    o.showKe = chkFont1_->isChecked();
    o.showName = chkFont2_->isChecked();
    o.font1 = font1_;
    o.font2 = font2_;
    o.size1 = size1_;
    o.size2 = size2_;
    o.timeHead = edtTimeHead_->text().toStdString();
    o.bottomText = edtBottomText_->text().toStdString();
    o.kaiTi = kaiTiFace().toStdString();
    return o;
}

void TfrmPrKb::findTeacher()
{
    findNext(*lvSelTea_, edtFnTea_->text());
}

void TfrmPrKb::findClass()
{
    findNext(*lvSelBan_, edtFnBan_->text());
}

void TfrmPrKb::startExport()
{
    KbExportJob jobItems;
    for (int row = 1; row < lvSelBan_->rowCount(); ++row)
        if (lvSelBan_->isChecked(row))
            jobItems.classes.push_back(lvSelBan_->value(row).toInt());
    for (int row = 1; row < lvSelTea_->rowCount(); ++row)
        if (lvSelTea_->isChecked(row))
            jobItems.teachers.push_back(lvSelTea_->value(row).toInt());
    if (jobItems.classes.empty() && jobItems.teachers.empty()) {
        asker_.inform(QStringLiteral("请至少选择一个班或一个教师。"));
        return;
    }
    const KbExportOptions o = options();
    // The sheets are kept for the printer, which prints once the export is complete, so a
    // cancel prints nothing.
    const bool print = chkPr_->isChecked();
    runExport(
        QStringLiteral("课程表"),
        [=, this](Workbook& book, const Progress& progress) {
            return exportTimetables(school_, {&classGrid_, &teaGrid_}, o, jobItems, book, progress);
        },
        print,
        [=, this](const Workbook& book) {
            writePrintSetting(st_, o);
            QString printed;
            if (print && printSheets) {
                QString why;
                printed = printSheets(book, &why) ? QStringLiteral("\n已送往打印机。") : QStringLiteral("\n") + why;
            }
            return QStringLiteral("课程表导出已完成。\n") + lastFile() + printed;
        });
}

void openTimetableExport(QWidget* parent, const model::School& school, const model::Array2<int>& classGrid,
                         const model::Array2<int>& teaGrid, store::Store& st, ui::Asker& asker, int pageLayout,
                         bool ban, int id)
{
    TfrmPrKb d(school, classGrid, teaGrid, st, asker, pageLayout == 1 ? 2 : 1, parent);
    auto& marks = ban ? d.BanIsSel : d.TeaIsSel;
    if (id >= 0 && id < static_cast<int>(marks.size()))
        marks[static_cast<std::size_t>(id)] = true;
    d.exec();
}

}  // namespace tavrin::spreadsheet
