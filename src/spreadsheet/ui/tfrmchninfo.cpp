#include "spreadsheet/ui/tfrmchninfo.h"

#include <QCheckBox>
#include <QDate>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <memory>

#include "spreadsheet/notices.h"
#include "spreadsheet/noticetexts.h"
#include "ui/asker.h"

namespace tavrin::spreadsheet {

TfrmChnInfo::TfrmChnInfo(const model::School& school, const model::Grids& baseline, const model::Array2<int>& nowB,
                         const model::Array2<int>& nowT, const std::filesystem::path& schoolFile, ui::Asker& asker,
                         QWidget* parent)
    : ExportDialog(asker, QStringLiteral("导出至Excel"), parent), school_(school), baseB_(baseline.Renke_B),
      baseT_(baseline.Renke_T), nowB_(nowB), nowT_(nowT), ini_(noticeIniPath(schoolFile))
{
    setObjectName("TfrmChnInfo");
    setWindowTitle(QStringLiteral("调课通知"));
    btnOutExcel_->setObjectName("btnOut");
    btnOutExcel_->setText(QStringLiteral("导出至Excel"));
    btnCancel_->setText(QStringLiteral("取消"));
    pnlLoading_->setText(QStringLiteral("正在生成调课通知，请稍候……"));
    connect(btnOutExcel_, &QPushButton::clicked, this, &TfrmChnInfo::startExport);

    // The sample of one notice as it prints.
    auto* sampleBox = new QGroupBox(QStringLiteral("样表："), this);
    auto* paper = new QLabel(QStringLiteral("A4纵向"), sampleBox);
    auto* title = new QLabel(QStringLiteral("某某某老师（班级）调课通知"), sampleBox);
    title->setAlignment(Qt::AlignCenter);
    QFont big = title->font();
    // The kit's style may give faces in pixels rather than points.
    if (big.pointSizeF() > 0)
        big.setPointSizeF(big.pointSizeF() * 1.4);
    else if (big.pixelSize() > 0)
        big.setPixelSize(big.pixelSize() * 7 / 5);
    big.setBold(true);
    title->setFont(big);
    sample_ = new QTableWidget(2, 4, sampleBox);
    sample_->setObjectName("sample");
    sample_->horizontalHeader()->hide();
    sample_->verticalHeader()->hide();
    sample_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sample_->setSelectionMode(QAbstractItemView::NoSelection);
    sample_->setFocusPolicy(Qt::NoFocus);
    sample_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    sample_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    sample_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    const char* cells[2][4] = {{"班级", "科目", "原上课时间", "现上课时间"}, {"某某班级", "某某科", "星期几第几节", "星期几第几节"}};
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 4; ++c) {
            auto* item = new QTableWidgetItem(QString::fromUtf8(cells[r][c]));
            item->setTextAlignment(Qt::AlignCenter);
            sample_->setItem(r, c, item);
        }
    sample_->setFixedHeight(sample_->rowHeight(0) * 2 + 2 * sample_->frameWidth());
    auto* sampleLay = new QVBoxLayout(sampleBox);
    sampleLay->addWidget(paper);
    sampleLay->addWidget(title);
    sampleLay->addWidget(sample_);

    // The texts and the choice of notices.
    mmo1_ = new QPlainTextEdit(this);
    mmo1_->setObjectName("mmo1");
    mmo1_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    edtName_ = new QLineEdit(QStringLiteral("教务处"), this);
    edtName_->setObjectName("edtName");
    edtTime_ = new QLineEdit(this);
    edtTime_->setObjectName("edtTime");
    chkTea_ = new QCheckBox(QStringLiteral("教师通知"), this);
    chkTea_->setObjectName("chkTea");
    chkTea_->setChecked(true);
    chkBan_ = new QCheckBox(QStringLiteral("班级通知"), this);
    chkBan_->setObjectName("chkBan");

    const NoticeTexts texts = noticeTextsWithDefaults(readNoticeTexts(ini_));
    mmo1_->setPlainText(QString::fromStdString(joinNoticeLines(texts.lines)));
    edtName_->setText(QString::fromStdString(texts.signature));
    const QDate today = QDate::currentDate();
    edtTime_->setText(QString::fromStdString(noticeDate(today.year(), today.month(), today.day())));

    auto* form = new QGridLayout;
    form->addWidget(new QLabel(QStringLiteral("通知说明："), this), 0, 0, Qt::AlignTop);
    form->addWidget(mmo1_, 0, 1, 1, 3);
    form->addWidget(new QLabel(QStringLiteral("落款："), this), 1, 0);
    form->addWidget(edtName_, 1, 1);
    form->addWidget(new QLabel(QStringLiteral("日期："), this), 1, 2);
    form->addWidget(edtTime_, 1, 3);
    form->setRowStretch(0, 1);
    auto* kinds = new QHBoxLayout;
    kinds->addWidget(chkTea_);
    kinds->addWidget(chkBan_);
    kinds->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(pnlLoading_);
    buttons->addWidget(progress_, 1);
    buttons->addStretch();
    buttons->addWidget(btnOutExcel_);
    buttons->addWidget(btnCancel_);
    auto* top = new QVBoxLayout(this);
    top->addWidget(sampleBox);
    top->addLayout(form, 1);
    top->addLayout(kinds);
    top->addLayout(buttons);
    resize(620, 520);
}

TfrmChnInfo::~TfrmChnInfo() = default;

void TfrmChnInfo::startExport()
{
    NoticeOptions o;
    o.intro = splitNoticeText(mmo1_->toPlainText().toStdString());
    o.signature = edtName_->text().toStdString();
    o.date = edtTime_->text().toStdString();
    o.teachers = chkTea_->isChecked();
    o.classes = chkBan_->isChecked();
    // The texts are saved first, whatever becomes of the export; a folder that cannot be
    // written does not stop the notices.
    std::string why;
    const bool saved = writeNoticeTexts(ini_, {o.intro, o.signature}, &why);
    const QString notSaved =
        saved ? QString() : QStringLiteral("\n通知说明和落款未能保存（%1）。").arg(QString::fromStdString(why));
    runExport(
        QStringLiteral("调课通知"),
        [=, this](Workbook& book, const Progress& progress) {
            const auto notices = buildNotices(school_, {baseB_, baseT_}, {nowB_, nowT_}, o);
            return exportNotices(notices, o, book, progress);
        },
        false, [=, this](const Workbook&) { return QStringLiteral("导出完成") + notSaved + QStringLiteral("\n") + lastFile(); });
}

void openChangeNotices(QWidget* parent, const model::School& school, const model::Grids& baseline,
                       const model::Array2<int>& nowB, const model::Array2<int>& nowT,
                       const std::filesystem::path& schoolFile, ui::Asker& asker)
{
    TfrmChnInfo d(school, baseline, nowB, nowT, schoolFile, asker, parent);
    d.exec();
}

}  // namespace tavrin::spreadsheet
