#include "spreadsheet/ui/excelimport.h"

#include <QDesktopServices>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

#include <memory>
#include <optional>

#include "spreadsheet/entryimport.h"
#include "spreadsheet/reader.h"
#include "ui/asker.h"
#include "ui/busy.h"
#include "ui/longjob.h"

namespace tavrin::spreadsheet {

namespace {

const char* const kNoExcel = "无法正常调用EXCEL,请检查EXCEL安装是否正常。";

QString documentsDir()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

// The first sheet of the workbook the operator picks, read on a worker thread while the window
// waits; nothing when no file was picked or it could not be read (the reason shown).
std::optional<SheetGrid> chooseAndRead(QWidget* parent, ui::Asker& asker, const QString& start)
{
    const QString file = asker.openFileNameAt(QStringLiteral("导入EXCEL文件"), QStringLiteral("Excel工作簿 (*.xlsx *.xls)"),
                                              start.isEmpty() ? documentsDir() : start);
    if (file.isEmpty() || !QFileInfo(file).isFile())
        return std::nullopt;
    auto result = std::make_shared<ReadResult>();
    QString fault;
    bool finished = false;
    {
        ui::Busy busy(parent);
        ui::LongJob job;
        QEventLoop loop;
        const std::string path = QFile::encodeName(file).toStdString();
        job.start(
            [result, path](ui::LongJob::Context& c) {
                *result = readFirstSheet(path, [&c](int, int percent) {
                    c.progress(percent);
                    return !c.cancelled();
                });
            },
            [&](const QString& f) {
                fault = f;
                finished = true;
                loop.quit();
            });
        if (!finished)
            loop.exec();
    }
    if (!fault.isEmpty()) {
        asker.inform(QString::fromUtf8(kCorruptText), {}, ui::Icon::Warning);
        return std::nullopt;
    }
    if (!result->ok()) {
        if (result->status != ReadResult::Status::Cancelled)
            asker.inform(QString::fromStdString(result->message.empty() ? std::string(kNotWorkbookText) : result->message),
                         {}, ui::Icon::Warning);
        return std::nullopt;
    }
    return std::move(result->sheet);
}

}  // namespace

// ---------------------------------------------------------------- the example picture

QPixmap examplePixmap(bool subjects)
{
    using Table = std::vector<std::vector<const char*>>;
    const Table table = subjects ? Table{{"科目", "初一", "初二", "初三"},
                                         {"语文", "6", "6", "5"},
                                         {"数学", "5", "5,5,4", "5"},
                                         {"英语", "5", "5", "5"},
                                         {"物理", "", "2", "3"}}
                                 : Table{{"科目", "初一1班", "初一2班", "初一3班"},
                                         {"语文", "王芳", "王芳", "李明"},
                                         {"数学", "张伟", "张伟,3,赵丽,2", "张伟"},
                                         {"英语", "刘洋", "刘洋", "刘洋"},
                                         {"物理", "", "陈静", "陈静"}};
    const int head = 22, rowH = 24;
    const std::vector<int> widths{46, 62, subjects ? 62 : 104, 62};
    int w = head;
    for (int cw : widths)
        w += cw;
    const int h = rowH * (static_cast<int>(table.size()) + 1);
    QPixmap pm(w + 1, h + 1);
    pm.fill(Qt::white);
    QPainter p(&pm);
    QFont f = p.font();
    f.setPixelSize(12);
    p.setFont(f);
    const QColor grid(0xC8, 0xC8, 0xC8), band(0xEE, 0xEE, 0xEE);
    // The spreadsheet's own headings: letters across, row numbers down.
    p.fillRect(0, 0, w, rowH, band);
    p.fillRect(0, 0, head, h, band);
    int x = head;
    for (std::size_t c = 0; c < widths.size(); ++c) {
        p.setPen(Qt::darkGray);
        p.drawText(QRect(x, 0, widths[c], rowH), Qt::AlignCenter, QString(QChar('A' + static_cast<int>(c))));
        for (std::size_t r = 0; r < table.size(); ++r) {
            const QRect cell(x, rowH * (static_cast<int>(r) + 1), widths[c], rowH);
            if (r == 0 || c == 0)
                p.fillRect(cell.adjusted(1, 1, 0, 0), QColor(0xFF, 0xF5, 0xD6));
            p.setPen(Qt::black);
            p.drawText(cell.adjusted(4, 0, -4, 0), (r == 0 && c > 0 ? Qt::AlignCenter : Qt::AlignLeft) | Qt::AlignVCenter,
                       QString::fromUtf8(table[r][c]));
        }
        x += widths[c];
    }
    for (std::size_t r = 0; r < table.size(); ++r) {
        p.setPen(Qt::darkGray);
        p.drawText(QRect(0, rowH * (static_cast<int>(r) + 1), head, rowH), Qt::AlignCenter, QString::number(r + 1));
    }
    p.setPen(grid);
    for (int y = 0; y <= h; y += rowH)
        p.drawLine(0, y, w, y);
    x = 0;
    p.drawLine(0, 0, 0, h);
    x = head;
    for (int cw : widths) {
        p.drawLine(x, 0, x, h);
        x += cw;
    }
    p.drawLine(w, 0, w, h);
    return pm;
}

// ---------------------------------------------------------------- the dialogs

ExcelImportDialog::ExcelImportDialog(ui::Asker& asker, const QString& caption, const char* creatName, QString fileName,
                                     std::function<Workbook()> makeTemplate, bool subjects, QWidget* parent)
    : QDialog(parent), asker_(asker), fileName_(std::move(fileName)), make_(std::move(makeTemplate))
{
    setWindowTitle(caption);
    opener_ = [](const QUrl& u) { return QDesktopServices::openUrl(u); };
    auto* outer = new QHBoxLayout(this);
    auto* steps = new QVBoxLayout;
    steps->addWidget(new QLabel(QStringLiteral("导入步骤："), this));
    btnCreat_ = new QPushButton(QStringLiteral("第一步：生成表模"), this);
    btnCreat_->setObjectName(creatName);
    steps->addWidget(btnCreat_);
    auto* frame = new QFrame(this);
    frame->setObjectName("pnlStep2");
    frame->setStyleSheet(QStringLiteral("#pnlStep2{border:1px dotted #808080;}"));
    auto* frameLay = new QVBoxLayout(frame);
    auto* step2 = new QLabel(QStringLiteral("第二步：在表模中录入数据并保存"), frame);
    step2->setWordWrap(true);
    frameLay->addWidget(step2);
    steps->addWidget(frame);
    btnOpenExcel_ = new QPushButton(QStringLiteral("第三步：导入EXCEL文件"), this);
    btnOpenExcel_->setObjectName("btnOpenExcel");
    steps->addWidget(btnOpenExcel_);
    steps->addStretch(1);
    btnCancel_ = new QPushButton(QStringLiteral("取消"), this);
    btnCancel_->setObjectName("btnCancel");
    steps->addWidget(btnCancel_);
    outer->addLayout(steps);

    auto* right = new QVBoxLayout;
    right->addWidget(new QLabel(QStringLiteral("表模例图："), this));
    picture_ = new QLabel(this);
    picture_->setObjectName("imgExample");
    picture_->setPixmap(examplePixmap(subjects));
    right->addWidget(picture_);
    right->addStretch(1);
    outer->addLayout(right);

    connect(btnCreat_, &QPushButton::clicked, this, &ExcelImportDialog::createTemplate);
    connect(btnOpenExcel_, &QPushButton::clicked, this, [this] {
        IsOpenExcel = true;
        accept();
    });
    connect(btnCancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void ExcelImportDialog::createTemplate()
{
    const QString start = (template_.isEmpty() ? documentsDir() : QFileInfo(template_).absolutePath()) + '/' + fileName_;
    QString file = asker_.saveFileNameAt(QStringLiteral("保存表模"), QStringLiteral("Excel工作簿 (*.xlsx)"), start);
    if (file.isEmpty())
        return;
    if (!file.endsWith(QStringLiteral(".xlsx")))
        file += QStringLiteral(".xlsx");
    const WriteResult w = make_().save(QFile::encodeName(file).toStdString());
    if (!w.ok) {
        asker_.inform(QStringLiteral("无法保存EXCEL文件。"), {}, ui::Icon::Warning);
        return;
    }
    template_ = file;
    if (!opener_(QUrl::fromLocalFile(file)))
        asker_.inform(QString::fromUtf8(kNoExcel) + '\n' + file, {}, ui::Icon::Warning);
}

TFrmExcelToKe::TFrmExcelToKe(ui::Asker& asker, const entry::KemuDraft& d, QWidget* parent)
    : ExcelImportDialog(asker, QStringLiteral("导入EXCEL数据为科目节数"), "btnCreatExcelToKe",
                        QString::fromUtf8(kSubjectTemplateFile), [d] { return subjectTemplate(d); }, true, parent)
{
    setObjectName("FrmExcelToKe");
}

TfrmExcelToTea::TfrmExcelToTea(ui::Asker& asker, const entry::TeaDraft& d, QWidget* parent)
    : ExcelImportDialog(asker, QStringLiteral("导入EXCEL数据为教师任课"), "btnCreatExcelToTea",
                        QString::fromUtf8(kTeacherTemplateFile), [d] { return assignmentTemplate(d); }, false, parent)
{
    setObjectName("frmExcelToTea");
}

// ---------------------------------------------------------------- the imports

namespace {

// Dialog, file, plan checked whole, apply in one go, then one message for what was skipped.
template <class Dialog, class Draft, class Plan>
ImportOutcome runImport(QWidget* parent, ui::Asker& asker, Draft& d, const ImportSeams& seams,
                        Plan (*plan)(const SheetGrid&, const Draft&), bool (*apply)(Draft&, const Plan&))
{
    ImportOutcome out;
    Dialog dlg(asker, d, parent);
    if (seams.opener)
        dlg.setUrlOpener(seams.opener);
    ui::runDialog(seams.runner, dlg);
    if (!dlg.IsOpenExcel)
        return out;
    out.thirdStep = true;
    const auto sheet = chooseAndRead(parent, asker, dlg.templateFile());
    if (!sheet)
        return out;
    const Plan p = plan(*sheet, d);
    if (!p.refusal.empty()) {
        asker.inform(QString::fromStdString(p.refusal), {}, ui::Icon::Warning);
        return out;
    }
    out.changed = apply(d, p);
    if (!p.skipped.empty())
        asker.inform(QString::fromStdString(skippedMessage(p.skipped)), {}, ui::Icon::Warning);
    return out;
}

}  // namespace

ImportOutcome runKeImport(QWidget* parent, ui::Asker& asker, entry::KemuDraft& d, const ImportSeams& seams)
{
    return runImport<TFrmExcelToKe>(parent, asker, d, seams, &planSubjects, &applySubjects);
}

bool runTeaImport(QWidget* parent, ui::Asker& asker, entry::TeaDraft& d, const ImportSeams& seams)
{
    return runImport<TfrmExcelToTea>(parent, asker, d, seams, &planAssignments, &applyAssignments).changed;
}

}  // namespace tavrin::spreadsheet
