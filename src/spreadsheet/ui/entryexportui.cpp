#include "spreadsheet/ui/entryexportui.h"

#include <QDesktopServices>
#include <QUrl>

#include "ui/asker.h"
#include "ui/busy.h"

namespace tavrin::spreadsheet {

bool openWithDesktop(const QString& path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool saveEntryBook(QWidget* parent, ui::Asker& asker, const EntryBook& book, const WorkbookOpener& open)
{
    const QString chosen = asker.saveFileName(QStringLiteral("导出EXCEL数据"), QString::fromUtf8(kExcelFilter));
    if (chosen.isEmpty())
        return false;
    const QString path = QString::fromStdString(withXlsxSuffix(chosen.toStdString()));
    WriteResult saved;
    {
        const ui::Busy busy(parent);
        saved = book.book.save(path.toStdString());
    }
    if (!saved.ok) {
        asker.inform(QString::fromUtf8(kSaveFailed) + QLatin1Char('\n') + QString::fromStdString(saved.error), {},
                     ui::Icon::Warning);
        return false;
    }
    if (!book.warning.empty())
        asker.inform(QString::fromStdString(book.warning), {}, ui::Icon::Warning);
    if (asker.ask(QString::fromUtf8(kOpenQuestion), QString(), ui::Buttons::YesNo) == ui::Answer::Yes) {
        const WorkbookOpener& opener = open ? open : WorkbookOpener(openWithDesktop);
        if (!opener(path))
            asker.inform(QStringLiteral("无法正常调用EXCEL,请检查EXCEL安装是否正常。\n") + path, {}, ui::Icon::Warning);
    }
    return true;
}

bool exportSubjectPeriods(QWidget* parent, ui::Asker& asker, const entry::KemuDraft& d, const WorkbookOpener& open)
{
    return saveEntryBook(parent, asker, subjectBook(d), open);
}

bool exportAssignmentsForImport(QWidget* parent, ui::Asker& asker, const entry::TeaDraft& d, const WorkbookOpener& open)
{
    return saveEntryBook(parent, asker, reimportBook(d), open);
}

bool exportAssignmentStats(QWidget* parent, ui::Asker& asker, const entry::TeaDraft& d, const WorkbookOpener& open)
{
    return saveEntryBook(parent, asker, statsBook(d), open);
}

}  // namespace tavrin::spreadsheet
