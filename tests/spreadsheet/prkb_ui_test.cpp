// The timetable export dialog on screen (offscreen): settings through PrintSetting, the
// no-selection message, a cancel after k items that leaves no file and an idle dialog, the
// close refused while exporting, the teacher find that reaches the last teacher, and the
// print after a completed export (never after a cancelled one).
#include <QCheckBox>
#include <QDir>
#include <QPrinter>
#include <QPrinterInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "spreadsheet/ui/printsheets.h"
#include "spreadsheet/ui/tfrmprkb.h"
#include "support/fixture.h"
#include "support/school_builder.h"
#include "support/scripted_asker.h"
#include "support/xlsx_reader.h"
#include "ui/longjob.h"
#include "ui/widgets.h"

using namespace tavrin;

class PrKbUiTest : public QObject {
    Q_OBJECT

    struct Setup {
        tavrin::testing::SchoolBuilder b;
        model::School s = tavrin::testing::smallSchool();
        model::Grids g = tavrin::testing::smallTimetable(s);
        tavrin::testing::ScriptedAsker asker;
        QTemporaryDir out;
        std::unique_ptr<spreadsheet::TfrmPrKb> d;
        Setup()
        {
            s.BanCountInJi = {0, 2, 1};
            s.BanID.resize(3, 3, 0);
            s.BanID(1, 1) = 1;
            s.BanID(1, 2) = 2;
            s.BanID(2, 1) = 3;
            d = std::make_unique<spreadsheet::TfrmPrKb>(s, g.Renke_B, g.Renke_T, b.store(), asker, 1);
            d->exportDir = out.path();
            d->openWhenDone = false;
            d->today = QDate(2027, 1, 1);
        }
        // "导出后自动打印" into a PDF file instead of the default printer.
        int printed = 0;
        QTemporaryDir paper;
        QString pdf() const { return paper.filePath("printed.pdf"); }
        void printIntoPdf()
        {
            d->printSheets = [this](const spreadsheet::Workbook& book, QString*) {
                ++printed;
                QPrinter printer(QPrinter::HighResolution);
                printer.setOutputFormat(QPrinter::PdfFormat);
                printer.setOutputFileName(pdf());
                return spreadsheet::printWorkbook(book, printer) > 0;
            };
        }
        int files() const { return static_cast<int>(QDir(out.path()).entryList(QDir::Files | QDir::Hidden).size()); }
    };

private Q_SLOTS:
    void settingsRoundTrip()
    {
        Setup x;
        x.b.store().run("INSERT INTO PrintSetting(FontName1, FontSize1, FontName2, FontSize2, Paper, TimeHead, BottomText) "
                        "VALUES('楷体', 18, NULL, 0, 'A5', '', '底注')");
        x.d->BanIsSel[2] = true;
        x.d->show();
        QVERIFY(x.d->btnPaper(3)->isChecked());
        QVERIFY(x.d->btnGdType(1)->isChecked());
        QCOMPARE(x.d->edtTimeHead()->text(), QString());  // the stored text as it is
        QCOMPARE(x.d->edtBottomText()->text(), QStringLiteral("底注"));
        auto o = x.d->options();
        QCOMPARE(o.font1, std::string("楷体"));
        QCOMPARE(o.size1, 18);
        QCOMPARE(o.font2, std::string("楷体"));  // empty takes font 1
        QCOMPARE(o.size2, 10);
        QVERIFY(x.d->lvSelBan()->isChecked(2));
        QVERIFY(!x.d->lvSelBan()->isChecked(1));

        x.d->edtTimeHead()->setText(QStringLiteral("新学期"));
        x.d->btnPaper(2)->setChecked(true);
        x.d->startExport();
        QVERIFY(x.d->exporting());
        QCOMPARE(x.d->btnOutExcel()->text(), QStringLiteral("正在导出..."));
        QTRY_VERIFY_WITH_TIMEOUT(!x.d->exporting(), 20000);
        QCOMPARE(x.d->btnOutExcel()->text(), QStringLiteral("导出"));
        QCOMPARE(x.d->btnCancel()->text(), QStringLiteral("关闭"));
        QVERIFY(!x.asker.shown.empty());
        QVERIFY(x.asker.shown.back().text.startsWith(QStringLiteral("课程表导出已完成。")));
        QVERIFY(QFileInfo::exists(x.d->lastFile()));
        const auto book = tavrin::testing::readXlsx(x.d->lastFile().toStdString());
        QCOMPARE(book.sheets.size(), std::size_t(1));
        QCOMPARE(book.sheets[0].name, std::string("一(2)班"));

        QCOMPARE(x.b.store().scalar("SELECT count(*) FROM PrintSetting"), 1);
        auto q = x.b.store().prepare("SELECT TimeHead, Paper, FontName2 FROM PrintSetting");
        QVERIFY(q.step());
        QCOMPARE(q.text(0), std::string("新学期"));
        QCOMPARE(q.text(1), std::string("A4L"));
        QCOMPARE(q.text(2), std::string("楷体"));
    }

    void schoolYearWithoutSettings()
    {
        Setup x;
        x.d->show();
        QCOMPARE(x.d->edtTimeHead()->text(), QStringLiteral("2026至2027学年度第二学期"));
        QVERIFY(x.d->btnPaper(2)->isChecked());
    }

    void nothingTicked()
    {
        Setup x;
        x.d->show();
        x.d->lvSelTea()->setChecked(0, true);  // "全部" alone counts for nothing
        x.d->startExport();
        QVERIFY(!x.d->exporting());
        QCOMPARE(x.asker.shown.size(), std::size_t(1));
        QCOMPARE(x.asker.shown[0].text, QStringLiteral("请至少选择一个班或一个教师。"));
        QCOMPARE(x.files(), 0);
    }

    void cancelAfterKItems()
    {
        for (int k : {0, 1, 2}) {
            Setup x;
            x.d->BanIsSel = {false, true, true, true};
            x.d->cancelAfter = k;
            x.d->show();
            x.d->startExport();
            QVERIFY(x.d->exporting());
            // Closing is refused while the export runs.
            x.d->close();
            QVERIFY(x.d->isVisible());
            QCOMPARE(x.d->btnCancel()->text(), QStringLiteral("取消"));
            QTRY_VERIFY_WITH_TIMEOUT(!x.d->exporting(), 20000);
            QCOMPARE(x.asker.shown.back().text, QStringLiteral("已取消"));
            QCOMPARE(x.files(), 0);
            QVERIFY(x.d->btnOutExcel()->isEnabled());
            QVERIFY(!x.d->progressBar()->isVisible());
            QCOMPARE(x.b.store().scalar("SELECT count(*) FROM PrintSetting"), 0);
            x.d->close();
            QVERIFY(!x.d->isVisible());
        }
    }

    void printAfterExportOnePagePerSheet()
    {
        Setup x;
        x.printIntoPdf();
        x.d->BanIsSel = {false, true, true, true};
        x.d->TeaIsSel = {false, true, false, false};
        x.d->show();
        x.d->btnPaper(1)->setChecked(true);  // "A4": one timetable a sheet
        x.d->chkPr()->setChecked(true);
        x.d->startExport();
        QTRY_VERIFY_WITH_TIMEOUT(!x.d->exporting(), 20000);
        QCOMPARE(x.printed, 1);
        QVERIFY(x.asker.shown.back().text.endsWith(QStringLiteral("已送往打印机。")));
        const auto book = tavrin::testing::readXlsx(x.d->lastFile().toStdString());
        QCOMPARE(book.sheets.size(), std::size_t(4));
        QProcess info;
        info.start("pdfinfo", {x.pdf()});
        if (!info.waitForFinished(20000) || info.exitCode() != 0)
            QSKIP("pdfinfo (poppler-utils) not installed");
        QVERIFY(QString::fromUtf8(info.readAllStandardOutput()).contains(QRegularExpression("Pages:\\s+4\\b")));
    }

    void cancelledExportPrintsNothing()
    {
        Setup x;
        x.printIntoPdf();
        x.d->BanIsSel = {false, true, true, true};
        x.d->cancelAfter = 1;
        x.d->show();
        x.d->chkPr()->setChecked(true);
        x.d->startExport();
        QTRY_VERIFY_WITH_TIMEOUT(!x.d->exporting(), 20000);
        QCOMPARE(x.asker.shown.back().text, QStringLiteral("已取消"));
        QCOMPARE(x.printed, 0);
        QVERIFY(!QFileInfo::exists(x.pdf()));
    }

    void noPrinterTheExportStillCompletes()
    {
        if (!QPrinterInfo::defaultPrinter().isNull())
            QSKIP("this machine has a default printer");
        Setup x;
        x.d->BanIsSel = {false, true, false, false};
        x.d->show();
        x.d->chkPr()->setChecked(true);
        x.d->startExport();
        QTRY_VERIFY_WITH_TIMEOUT(!x.d->exporting(), 20000);
        QVERIFY(QFileInfo::exists(x.d->lastFile()));
        const QString told = x.asker.shown.back().text;
        QVERIFY(told.startsWith(QStringLiteral("课程表导出已完成。")));
        QVERIFY2(told.contains(QStringLiteral("未打印")), qPrintable(told));
    }

    void teacherFindReachesTheLast()
    {
        Setup x;
        x.d->show();
        auto* list = x.d->lvSelTea();
        x.d->edtFnTea()->setText(QStringLiteral("王"));  // teacher 3, the last
        x.d->findTeacher();
        QCOMPARE(list->indexOfTopLevelItem(list->currentItem()), 3);
        // With the only match selected the others are tried and none holds it.
        x.d->findTeacher();
        QCOMPARE(list->indexOfTopLevelItem(list->currentItem()), 3);
        x.d->edtFnTea()->setText(QStringLiteral("老师"));
        x.d->findTeacher();
        QCOMPARE(list->indexOfTopLevelItem(list->currentItem()), 1);  // wraps past the end
        x.d->edtFnTea()->clear();
        x.d->findTeacher();
        QCOMPARE(list->indexOfTopLevelItem(list->currentItem()), 1);  // empty text finds nothing
        // The class find works the same way.
        x.d->edtFnBan()->setText(QStringLiteral("二"));
        x.d->findClass();
        QCOMPARE(x.d->lvSelBan()->indexOfTopLevelItem(x.d->lvSelBan()->currentItem()), 3);
    }
};

QTEST_MAIN(PrKbUiTest)
#include "prkb_ui_test.moc"
