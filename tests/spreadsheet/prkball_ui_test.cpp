// The whole-school export dialog on screen (offscreen): the captions of each table, the
// settings read on show and written only after a completed export, the layout kept between
// showings, the paper note at the end of the completion message, and a cancel after k rows
// that leaves no file, no settings and an idle dialog, with closing refused meanwhile.
#include <QCheckBox>
#include <QDir>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "spreadsheet/ui/tfrmprkball.h"
#include "support/fixture.h"
#include "support/school_builder.h"
#include "support/scripted_asker.h"
#include "support/xlsx_reader.h"

using namespace tavrin;
using spreadsheet::SchoolTable;

class PrKballUiTest : public QObject {
    Q_OBJECT

    struct Setup {
        tavrin::testing::SchoolBuilder b;
        model::School s = tavrin::testing::smallSchool();
        model::Grids g = tavrin::testing::smallTimetable(s);
        tavrin::testing::ScriptedAsker asker;
        QTemporaryDir out;
        std::unique_ptr<spreadsheet::TFrmPrKball> d;
        std::vector<std::string> notesAsked;
        explicit Setup(SchoolTable kind = SchoolTable::Timetable)
        {
            s.XiaoName = "育才中学";
            d = std::make_unique<spreadsheet::TFrmPrKball>(s, g.Renke_B, g.Renke_T, b.store(), asker, kind);
            d->exportDir = out.path();
            d->openWhenDone = false;
            d->today = QDate(2026, 9, 1);
            d->paperNote = [this](const std::string& paper) {
                notesAsked.push_back(paper);
                return paper == "A4" ? QStringLiteral("（默认打印机不支持A4纸，打印前记得设置打印参数。）") : QString();
            };
        }
        int files() const { return static_cast<int>(QDir(out.path()).entryList(QDir::Files | QDir::Hidden).size()); }
        void exportAndWait()
        {
            d->startExport();
            QVERIFY(d->exporting());
            QTRY_VERIFY_WITH_TIMEOUT(!d->exporting(), 20000);
        }
    };

private Q_SLOTS:
    void captionsPerTable()
    {
        const struct {
            SchoolTable kind;
            const char* second;
        } cases[] = {{SchoolTable::Timetable, "显示教师"}, {SchoolTable::Assignments, "显示班级"}};
        for (const auto& c : cases) {
            Setup x(c.kind);
            x.d->show();
            QCOMPARE(x.d->windowTitle(), QStringLiteral("导出，打印"));
            QCOMPARE(x.d->chkFont(2)->text(), QString::fromUtf8(c.second));
            QCOMPARE(x.d->btnOutExcel()->text(), QStringLiteral("导出为EXCEL"));
            // No stored row: A3, the default sizes 8 and 6, the school year of the date given.
            QVERIFY(x.d->btnPaper(1)->isChecked());
            QCOMPARE(x.d->options().size1, 8);
            QCOMPARE(x.d->options().size2, 6);
            QCOMPARE(x.d->edtTimeHead()->text(), QStringLiteral("2026至2027学年度第一学期"));
            QVERIFY(x.d->lblFont(1)->text().endsWith(QStringLiteral("，8号")));
            // The default face can write the names: a face without Chinese would leave them
            // to the spreadsheet's fallback.
            const QString face = QString::fromStdString(x.d->options().font1);
            QVERIFY2(QFontDatabase::writingSystems(face).contains(QFontDatabase::SimplifiedChinese), qPrintable(face));
        }
    }

    void settingsRoundTripAndCompletion()
    {
        Setup x(SchoolTable::Assignments);
        x.b.store().run("INSERT INTO PrintSetting(FontName1, FontNameAll1, FontSizeAll1, FontNameAll2, FontSizeAll2, "
                        "PaperAll, TimeHead) VALUES('黑体', '楷体', 12, '', 0, 'A4', '')");
        x.d->show();
        QVERIFY(x.d->btnPaper(2)->isChecked());
        QCOMPARE(x.d->edtTimeHead()->text(), QString());  // the stored text, even empty
        auto o = x.d->options();
        QCOMPARE(o.font1, std::string("楷体"));
        QCOMPARE(o.size1, 12);
        QCOMPARE(o.size2, 6);  // 0 stored keeps the default

        x.d->edtTimeHead()->setText(QStringLiteral("第二周起执行"));
        x.d->rbJian(1)->setChecked(true);
        x.d->btnGdType(2)->setChecked(true);
        x.exportAndWait();
        QCOMPARE(x.d->btnOutExcel()->text(), QStringLiteral("导出为EXCEL"));
        QCOMPARE(x.d->btnCancel()->text(), QStringLiteral("关闭"));
        QVERIFY(!x.d->progressBar()->isVisible());
        QCOMPARE(x.notesAsked, std::vector<std::string>{"A4"});
        const QString told = x.asker.shown.back().text;
        QVERIFY2(told.startsWith(QStringLiteral("导出完成。\n（默认打印机不支持A4纸，打印前记得设置打印参数。）\n")),
                 qPrintable(told));
        QVERIFY(told.endsWith(x.d->lastFile()));
        QVERIFY(QFileInfo(x.d->lastFile()).fileName().startsWith(QStringLiteral("育才中学总任课表")));

        // The sheet holds what the dialog said: the typed heading, short subject names, the
        // teachers across the top (layout 2).
        const auto book = tavrin::testing::readXlsx(x.d->lastFile().toStdString());
        QCOMPARE(book.sheets.size(), std::size_t(1));
        const auto& sh = book.sheets[0];
        QCOMPARE(sh.text(2, 1), std::string("第二周起执行"));
        QCOMPARE(sh.text(3, 4), std::string("张老师"));

        // Written only now, in the whole-school columns; the class export's own kept.
        auto q = x.b.store().prepare("SELECT TimeHead, PaperAll, FontNameAll1, FontName1 FROM PrintSetting");
        QVERIFY(q.step());
        QCOMPARE(q.text(0), std::string("第二周起执行"));
        QCOMPARE(q.text(1), std::string("A4"));
        QCOMPARE(q.text(2), std::string("楷体"));
        QCOMPARE(q.text(3), std::string("黑体"));
        QCOMPARE(x.b.store().scalar("SELECT count(*) FROM PrintSetting"), 1);

        // A new showing keeps the layout chosen last time and reads the heading back.
        Setup y(SchoolTable::Timetable);
        y.d->show();
        QVERIFY(y.d->btnGdType(2)->isChecked());
        y.d->btnGdType(1)->setChecked(true);
        y.exportAndWait();
        Setup z;
        z.d->show();
        QVERIFY(z.d->btnGdType(1)->isChecked());
    }

    void cancelAfterKRows()
    {
        for (int k : {0, 1, 2}) {
            Setup x;
            x.d->cancelAfter = k;
            x.d->show();
            x.d->startExport();
            QVERIFY(x.d->exporting());
            x.d->close();  // refused while the export runs
            QVERIFY(x.d->isVisible());
            QCOMPARE(x.d->btnCancel()->text(), QStringLiteral("取消"));
            QCOMPARE(x.d->btnOutExcel()->text(), QStringLiteral("正在导出..."));
            QVERIFY(!x.d->btnOutExcel()->isEnabled());
            QTRY_VERIFY_WITH_TIMEOUT(!x.d->exporting(), 20000);
            QCOMPARE(x.asker.shown.back().text, QStringLiteral("已取消"));
            QCOMPARE(x.files(), 0);
            QVERIFY(x.notesAsked.empty());
            QVERIFY(x.d->btnOutExcel()->isEnabled());
            QCOMPARE(x.b.store().scalar("SELECT count(*) FROM PrintSetting"), 0);
            x.d->cancelOrClose();
            QVERIFY(!x.d->isVisible());
        }
    }
};

QTEST_MAIN(PrKballUiTest)
#include "prkball_ui_test.moc"
