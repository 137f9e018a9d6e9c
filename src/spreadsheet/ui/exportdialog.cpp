#include "spreadsheet/ui/exportdialog.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>

#include <memory>

#include "spreadsheet/ui/tfrmprkb.h"
#include "ui/asker.h"
#include "ui/longjob.h"

namespace tavrin::spreadsheet {

ExportDialog::ExportDialog(ui::Asker& asker, const QString& idleCaption, QWidget* parent)
    : QDialog(parent), asker_(asker), idleCaption_(idleCaption)
{
    exportDir = defaultExportDir();
    btnOutExcel_ = new QPushButton(QStringLiteral("导出为EXCEL"), this);
    btnCancel_ = new QPushButton(QStringLiteral("关闭"), this);
    btnOutExcel_->setObjectName("btnOutExcel");
    btnCancel_->setObjectName("btnCancel");
    connect(btnCancel_, &QPushButton::clicked, this, &ExportDialog::cancelOrClose);
    pnlLoading_ = new QLabel(QStringLiteral("正在生成课程表，请稍候……"), this);
    pnlLoading_->setObjectName("pnlLoading");
    progress_ = new QProgressBar(this);
    progress_->setRange(0, 100);
    pnlLoading_->hide();
    progress_->hide();
    job_ = new ui::LongJob(this);
    connect(job_, &ui::LongJob::progressed, this, [this](int pct, const QString&) { progress_->setValue(pct); });
}

ExportDialog::~ExportDialog() = default;

void ExportDialog::runExport(const QString& stem, Fill fill, bool keepBook, Completed completed)
{
    exporting_ = true;
    btnOutExcel_->setEnabled(false);
    btnOutExcel_->setText(QStringLiteral("正在导出..."));
    btnCancel_->setText(QStringLiteral("取消"));
    pnlLoading_->show();
    progress_->setValue(0);
    progress_->show();
    setCursor(Qt::WaitCursor);

    QDir().mkpath(exportDir);
    const std::string path = freeExportFile(exportDir, stem).toStdString();
    auto result = std::make_shared<WriteResult>();
    auto cancelled = std::make_shared<bool>(false);
    auto kept = std::make_shared<Workbook>();
    const int cancelAt = cancelAfter;
    ui::LongJob* job = job_;
    job_->start(
        [=](ui::LongJob::Context& c) {
            Workbook book;
            const bool done = fill(book, [&](int d, int total) {
                if (cancelAt >= 0 && d >= cancelAt)
                    job->cancel();
                c.progress(total > 0 ? d * 100 / total : 100);
                return !c.cancelled();
            });
            if (!done || c.cancelled()) {
                *cancelled = true;
                return;
            }
            *result = book.save(path);
            if (keepBook)
                *kept = std::move(book);
        },
        [=, this](const QString& fault) {
            backToIdle();
            if (*cancelled) {
                asker_.inform(QStringLiteral("已取消"));
                return;
            }
            if (!fault.isEmpty() || !result->ok) {
                asker_.inform(QStringLiteral("无法保存EXCEL文件。") +
                                  (fault.isEmpty() ? QString::fromStdString(result->error) : fault),
                              {}, ui::Icon::Warning);
                return;
            }
            lastFile_ = QString::fromStdString(path);
            asker_.inform(completed(*kept));
            if (openWhenDone && !QDesktopServices::openUrl(QUrl::fromLocalFile(lastFile_)))
                asker_.inform(QStringLiteral("无法正常调用EXCEL,请检查EXCEL安装是否正常。\n") + lastFile_, {},
                              ui::Icon::Warning);
        });
}

void ExportDialog::backToIdle()
{
    exporting_ = false;
    btnOutExcel_->setEnabled(true);
    btnOutExcel_->setText(idleCaption_);
    btnCancel_->setText(QStringLiteral("关闭"));
    pnlLoading_->hide();
    progress_->hide();
    unsetCursor();
}

void ExportDialog::cancelOrClose()
{
    if (exporting_)
        job_->cancel();
    else
        close();
}

void ExportDialog::closeEvent(QCloseEvent* e)
{
    if (exporting_)
        e->ignore();
    else
        QDialog::closeEvent(e);
}

void ExportDialog::reject()
{
    if (!exporting_)
        QDialog::reject();
}

}  // namespace tavrin::spreadsheet
