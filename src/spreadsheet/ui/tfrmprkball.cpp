#include "spreadsheet/ui/tfrmprkball.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>


#include "spreadsheet/ui/printsheets.h"
#include "spreadsheet/ui/tfrmprkb.h"
#include "ui/asker.h"

namespace tavrin::spreadsheet {

namespace {

// The layout buttons keep their state from one showing of the dialog to the next.
int keptLayout = 1;

// Two radio buttons that exclude only each other, in a row of their own.
QWidget* pair(QWidget* parent, QRadioButton*& a, const QString& captionA, QRadioButton*& b, const QString& captionB)
{
    auto* w = new QWidget(parent);
    auto* l = new QHBoxLayout(w);
    l->setContentsMargins(0, 0, 0, 0);
    a = new QRadioButton(captionA, w);
    b = new QRadioButton(captionB, w);
    auto* group = new QButtonGroup(w);
    group->addButton(a);
    group->addButton(b);
    a->setChecked(true);
    l->addWidget(a);
    l->addWidget(b);
    l->addStretch();
    return w;
}

}  // namespace

TFrmPrKball::TFrmPrKball(const model::School& school, const model::Array2<int>& classGrid,
                         const model::Array2<int>& teaGrid, store::Store& st, ui::Asker& asker, SchoolTable kind,
                         QWidget* parent)
    : ExportDialog(asker, QStringLiteral("导出为EXCEL"), parent), school_(school), classGrid_(classGrid),
      teaGrid_(teaGrid), st_(st), kind_(kind)
{
    setObjectName("TFrmPrKball");
    setWindowTitle(QStringLiteral("导出，打印"));
    paperNote = defaultPrinterPaperNote;

    auto* layoutBox = new QGroupBox(QStringLiteral("表格样式"), this);
    auto* lb = new QVBoxLayout(layoutBox);
    lb->addWidget(pair(layoutBox, btnGdType1_, QStringLiteral("节次横排，每行一个") +
                                                  (kind == SchoolTable::Timetable ? QStringLiteral("班")
                                                                                  : QStringLiteral("教师")),
                       btnGdType2_, QStringLiteral("节次竖排，每列一个") +
                                        (kind == SchoolTable::Timetable ? QStringLiteral("班")
                                                                        : QStringLiteral("教师"))));
    btnGdType1_->setObjectName("btnGdType1");
    btnGdType2_->setObjectName("btnGdType2");
    auto* paperBox = new QGroupBox(QStringLiteral("纸张"), this);
    auto* pb = new QVBoxLayout(paperBox);
    pb->addWidget(pair(paperBox, btnPaper1_, QStringLiteral("A3"), btnPaper2_, QStringLiteral("A4")));
    btnPaper1_->setObjectName("btnPaper1");
    btnPaper2_->setObjectName("btnPaper2");

    auto* fontBox = new QGroupBox(QStringLiteral("显示内容和字体"), this);
    auto* fonts = new QGridLayout(fontBox);
    chkFont1_ = new QCheckBox(QStringLiteral("显示科目"), fontBox);
    chkFont2_ = new QCheckBox(QStringLiteral("显示教师"), fontBox);
    chkFont1_->setObjectName("chkFont1");
    chkFont2_->setObjectName("chkFont2");
    chkFont1_->setChecked(true);
    chkFont2_->setChecked(true);
    btnFont1_ = new QPushButton(QStringLiteral("设置字体"), fontBox);
    btnFont2_ = new QPushButton(QStringLiteral("设置字体"), fontBox);
    btnFont1_->setObjectName("btnFont1");
    btnFont2_->setObjectName("btnFont2");
    lblFont1_ = new QLabel(fontBox);
    lblFont2_ = new QLabel(fontBox);
    connect(btnFont1_, &QPushButton::clicked, this, [this] {
        pickExportFont(this, font1_, size1_, 8);
        showFonts();
    });
    connect(btnFont2_, &QPushButton::clicked, this, [this] {
        pickExportFont(this, font2_, size2_, 6);
        showFonts();
    });
    fonts->addWidget(chkFont1_, 0, 0);
    fonts->addWidget(pair(fontBox, rbAll1_, QStringLiteral("全称"), rbJian1_, QStringLiteral("简称")), 0, 1);
    fonts->addWidget(lblFont1_, 1, 0, 1, 2);
    fonts->addWidget(btnFont1_, 1, 2);
    fonts->addWidget(chkFont2_, 2, 0);
    fonts->addWidget(pair(fontBox, rbAll2_, QStringLiteral("全称"), rbJian2_, QStringLiteral("简称")), 2, 1);
    fonts->addWidget(lblFont2_, 3, 0, 1, 2);
    fonts->addWidget(btnFont2_, 3, 2);
    rbJian1_->setObjectName("rbJian1");
    rbJian2_->setObjectName("rbJian2");

    auto* headBox = new QGroupBox(QStringLiteral("副标题"), this);
    auto* hb = new QVBoxLayout(headBox);
    edtTimeHead_ = new QLineEdit(headBox);
    edtTimeHead_->setObjectName("edtTimeHead");
    hb->addWidget(edtTimeHead_);

    connect(btnOutExcel_, &QPushButton::clicked, this, &TFrmPrKball::startExport);

    auto* top = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    row->addWidget(layoutBox, 3);
    row->addWidget(paperBox, 1);
    top->addLayout(row);
    top->addWidget(fontBox);
    top->addWidget(headBox);
    top->addStretch();
    top->addWidget(pnlLoading_);
    top->addWidget(progress_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOutExcel_);
    buttons->addWidget(btnCancel_);
    top->addLayout(buttons);
    resize(560, 440);
}

TFrmPrKball::~TFrmPrKball() = default;

void TFrmPrKball::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    loadData();
}

void TFrmPrKball::loadData()
{
    chkFont2_->setText(kind_ == SchoolTable::Timetable ? QStringLiteral("显示教师") : QStringLiteral("显示班级"));
    (keptLayout == 2 ? btnGdType2_ : btnGdType1_)->setChecked(true);
    SchoolExportOptions o;
    o.kind = kind_;
    o.font1 = defaultExportFace();
    o.font2 = o.font1;
    o.size1 = 8;
    o.size2 = 6;
    o.timeHead = schoolYearText(today.year(), today.month());
    if (readSchoolPrintSetting(st_, o))
        (o.paper == "A3" ? btnPaper1_ : btnPaper2_)->setChecked(true);
    font1_ = o.font1;
    font2_ = o.font2;
    size1_ = o.size1;
    size2_ = o.size2;
    showFonts();
    edtTimeHead_->setText(QString::fromStdString(o.timeHead));
}

void TFrmPrKball::showFonts()
{
    lblFont1_->setText(QString::fromStdString(font1_) + QStringLiteral("，%1号").arg(size1_));
    lblFont2_->setText(QString::fromStdString(font2_) + QStringLiteral("，%1号").arg(size2_));
}

SchoolExportOptions TFrmPrKball::options() const
{
    SchoolExportOptions o;
    o.kind = kind_;
    o.layout = btnGdType2_->isChecked() ? 2 : 1;
    o.paper = btnPaper1_->isChecked() ? "A3" : "A4";
    o.showKe = chkFont1_->isChecked();
    o.keShort = rbJian1_->isChecked();
    o.showName = chkFont2_->isChecked();
    o.nameShort = rbJian2_->isChecked();
    o.font1 = font1_;
    o.font2 = font2_;
    o.size1 = size1_;
    o.size2 = size2_;
    o.timeHead = edtTimeHead_->text().toStdString();
    o.kaiTi = kaiTiFace().toStdString();
    return o;
}

void TFrmPrKball::startExport()
{
    if (exporting())
        return;
    keptLayout = btnGdType2_->isChecked() ? 2 : 1;
    const SchoolExportOptions o = options();
    runExport(
        QString::fromStdString(schoolTableTitle(school_, kind_)),
        [=, this](Workbook& book, const Progress& progress) {
            return exportSchoolTable(school_, {&classGrid_, &teaGrid_}, o, book, progress);
        },
        false,
        [=, this](const Workbook&) {
            writeSchoolPrintSetting(st_, o);
            const QString note = paperNote ? paperNote(o.paper) : QString();
            return QStringLiteral("导出完成。\n") + (note.isEmpty() ? QString() : note + QStringLiteral("\n")) +
                   lastFile();
        });
}

void openSchoolExport(QWidget* parent, const model::School& school, const model::Array2<int>& classGrid,
                      const model::Array2<int>& teaGrid, store::Store& st, ui::Asker& asker, SchoolTable kind)
{
    TFrmPrKball d(school, classGrid, teaGrid, st, asker, kind, parent);
    d.exec();
}

}  // namespace tavrin::spreadsheet
