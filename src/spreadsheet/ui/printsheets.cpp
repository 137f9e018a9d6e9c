#include "spreadsheet/ui/printsheets.h"

#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include "spreadsheet/sheetpaint.h"

namespace tavrin::spreadsheet {

int printWorkbook(const Workbook& book, QPrinter& printer)
{
    if (book.count() == 0)
        return 0;
    // The sheets place themselves inside their own margins.
    printer.setFullPage(true);
    printer.setDocName(QString::fromStdString(book.sheet(0).name));
    const Sheet& first = book.sheet(0);
    printer.setPageOrientation(first.page.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer.setPageSize(QPageSize(first.page.paper == Paper::A3   ? QPageSize::A3
                                  : first.page.paper == Paper::A5 ? QPageSize::A5
                                                                  : QPageSize::A4));
    QPainter painter;
    if (!painter.begin(&printer))
        return 0;
    const int pages = paintWorkbook(book, printer, painter);
    painter.end();
    return pages;
}

bool printOnDefaultPrinter(const Workbook& book, QString* why)
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
        if (why)
            *why = QStringLiteral("没有可用的打印机，未打印。");
        return false;
    }
    QPrinter printer(info, QPrinter::HighResolution);
    if (printWorkbook(book, printer) == 0) {
        if (why)
            *why = QStringLiteral("打印机%1无法打印，未打印。").arg(info.printerName());
        return false;
    }
    return true;
}

QString defaultPrinterPaperNote(const std::string& paper)
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return {};
    const QPageSize::PageSizeId want = paper == "A4" ? QPageSize::A4 : QPageSize::A3;
    for (const QPageSize& size : info.supportedPageSizes())
        if (size.id() == want)
            return {};
    return paper == "A4" ? QStringLiteral("（默认打印机不支持A4纸，打印前记得设置打印参数。）")
                         : QStringLiteral("（默认打印机不支持A3纸，打印前记得设置打印参数。）");
}

}  // namespace tavrin::spreadsheet
