// The screen kit's week grid: the timetable pages' geometry reproduces the page layout
// exactly, and a grid laid out by a geometry of its own (a band across the week, no
// evening, headers of another size) draws and hit-tests where that geometry says.
#include <QApplication>
#include <QImage>
#include <QtTest>

#include "timetable/layout.h"
#include "ui/fonts.h"
#include "ui/style.h"
#include "ui/kbart.h"
#include "ui/kbgrid.h"

using namespace tavrin;

class KbGridTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void pageGeometryIsThePageLayout_data();
    void pageGeometryIsThePageLayout();
    void ownGeometryWithABandAndNoEvening();
    void lessonLinesAreNeverCut_data();
    void lessonLinesAreNeverCut();
};

void KbGridTest::pageGeometryIsThePageLayout_data()
{
    QTest::addColumn<int>("layout");
    QTest::addColumn<int>("days");
    QTest::addColumn<int>("mor");
    QTest::addColumn<int>("aft");
    QTest::addColumn<int>("nig");
    QTest::addColumn<QSize>("size");
    QTest::newRow("columns, three sections") << 1 << 5 << 4 << 3 << 2 << QSize(900, 640);
    QTest::newRow("rows, three sections") << 2 << 5 << 4 << 3 << 2 << QSize(900, 640);
    QTest::newRow("columns, no afternoon, an evening") << 1 << 6 << 5 << 0 << 2 << QSize(700, 500);
    QTest::newRow("rows, morning only") << 2 << 7 << 5 << 0 << 0 << QSize(1200, 400);
    QTest::newRow("columns, no morning") << 1 << 3 << 0 << 4 << 1 << QSize(400, 380);
}

void KbGridTest::pageGeometryIsThePageLayout()
{
    QFETCH(int, layout);
    QFETCH(int, days);
    QFETCH(int, mor);
    QFETCH(int, aft);
    QFETCH(int, nig);
    QFETCH(QSize, size);
    const timetable::KbWeekShape week{days, mor, aft, nig};
    const timetable::KbGridLayout old = timetable::layoutKbGrid(layout, size.width(), size.height(), week);
    ui::KbGrid g;
    g.resize(size);
    g.setWeek(days, week.P());
    g.setGeometryFunction([layout, week](QSize sz) { return ui::kbPageGeometry(layout, sz, week); });
    auto q = [](const timetable::KbRect& r) { return QRect(r.left, r.top, r.width, r.height); };
    for (int d = 0; d <= days; ++d)
        for (int j = 0; j <= week.P(); ++j)
            QCOMPARE(g.headerRect(d, j), q(old.at(d, j)));
    for (int s = 1; s <= g.slotCount(); ++s) {
        QCOMPARE(g.slotRect(s), q(old.slot(s)));
        QCOMPARE(g.slotAt(g.slotRect(s).center()), s);
    }
    QCOMPARE(g.fontSize(), old.fontSize);
    QCOMPARE(g.geometry().used(), QSize(old.usedWidth(), old.usedHeight()));
}

void KbGridTest::ownGeometryWithABandAndNoEvening()
{
    // Five days of 4 + 2 periods, no evening; "课间操" across the week before period 3 and a
    // gap of 12 before the afternoon; a narrow header column and a low header row.
    ui::KbGrid g;
    g.resize(560, 320);
    g.setWeek(5, 6);
    g.setGeometryFunction([](QSize) {
        ui::GridGeometry geo;
        geo.days = 5;
        geo.periods = 6;
        geo.cellW = 90;
        geo.cellH = 36;
        geo.headerW = 60;
        geo.headerH = 24;
        geo.gapBefore = {0, 0, 0, 0, 0, 12, 0};
        geo.bands.push_back({3, 18, QStringLiteral("课间操")});
        geo.fontSize = 10;
        return geo;
    });
    g.setDayHeaders({"一", "二", "三", "四", "五"});
    g.setCellFunction([](int s) {
        ui::KbGridCell c;
        c.text = QString::number(s);
        return c;
    });
    g.refresh();

    QCOMPARE(g.headerRect(0, 0), QRect(2, 2, 60, 24));
    QCOMPARE(g.headerRect(2, 0), QRect(2 + 60 + 90, 2, 90, 24));
    QCOMPARE(g.headerRect(0, 1), QRect(2, 2 + 24, 60, 36));
    QCOMPARE(g.slotRect(1), QRect(62, 26, 90, 36));
    // The band sits between periods 2 and 3 and spans the header column and every day.
    const QRect band = g.geometry().band(0);
    QCOMPARE(band, QRect(2, 26 + 2 * 36, 60 + 5 * 90, 18));
    QCOMPARE(g.slotRect(3).top(), band.bottom() + 1);
    QCOMPARE(g.slotRect(2).bottom() + 1, band.top());
    // The afternoon opens 12 pixels further down.
    QCOMPARE(g.slotRect(5).top(), g.slotRect(4).bottom() + 1 + 12);
    // Monday period 1 to Friday period 6 answer the pointer; the band and the gap do not.
    for (int s = 1; s <= 30; ++s)
        QCOMPARE(g.slotAt(g.slotRect(s).center()), s);
    QCOMPARE(g.slotAt(band.center()), 0);
    QCOMPARE(g.slotAt(QPoint(g.slotRect(4).center().x(), g.slotRect(4).bottom() + 6)), 0);
    QCOMPARE(g.geometry().used(), QSize(2 + 60 + 5 * 90, 26 + 6 * 36 + 18 + 12));

    // Drawn where it says: the band has the header picture, not the panel's colour, and the
    // space below the last period is the panel.
    QImage img(g.size(), QImage::Format_ARGB32);
    g.render(&img);
    const QColor panel = ui::kbPanelColor();
    QVERIFY(img.pixelColor(band.left() + 3, band.center().y()) != panel);
    QCOMPARE(img.pixelColor(10, g.geometry().used().height() + 10), panel);
}

void KbGridTest::lessonLinesAreNeverCut_data()
{
    QTest::addColumn<QSize>("cell");
    QTest::addColumn<bool>("twoLines");
    QTest::addColumn<bool>("restWhole");
    // A cell of the big window, the 960 x 640 window's cell (too low for two lines), a narrow
    // low cell that must shorten the teacher, and one with no room for the teacher at all.
    QTest::newRow("tall") << QSize(150, 60) << true << true;
    QTest::newRow("low") << QSize(150, 30) << false << true;
    QTest::newRow("low and narrow") << QSize(80, 30) << false << false;
    QTest::newRow("no room") << QSize(40, 30) << false << false;
}

void KbGridTest::lessonLinesAreNeverCut()
{
    QFETCH(QSize, cell);
    QFETCH(bool, twoLines);
    QFETCH(bool, restWhole);
    QFont head = QApplication::font();
    head.setPointSize(10);
    head.setBold(true);
    QFont rest = QApplication::font();
    rest.setPixelSize(12);
    const QString subject = QStringLiteral("数学"), teacher = QStringLiteral("(彭洋子)");
    const QRect inner(QPoint(4, 2), cell - QSize(8, 4));
    const ui::KbLessonLayout l = ui::layoutKbLesson(inner, head, rest, subject, teacher);
    const QFontMetrics hm(head), rm(rest);

    QCOMPARE(!l.oneLine, twoLines);
    // Each line has at least its font's height, so no glyph is cut at the bottom.
    QVERIFY(l.head.height() >= hm.height() || l.head.height() == inner.height());
    QVERIFY(l.restText.isEmpty() || l.rest.height() >= rm.height() || l.rest.height() == inner.height());
    QVERIFY(inner.contains(l.head.topLeft()));
    QVERIFY(l.head.right() <= inner.right());
    if (!l.restText.isEmpty()) {
        QVERIFY(l.rest.right() <= inner.right());
        QVERIFY(rm.horizontalAdvance(l.restText) <= l.rest.width() || twoLines);
        if (l.oneLine)
            QVERIFY(l.rest.left() > l.head.right());  // side by side, never over the subject
        else
            QVERIFY(l.rest.top() >= l.head.bottom());
    }
    QCOMPARE(l.restText == teacher, restWhole);
    if (!restWhole && !l.restText.isEmpty())
        QVERIFY(l.restText.endsWith(QChar(0x2026)));
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    tavrin::ui::useChineseFont(app);
    tavrin::ui::useKitStyle(app);
    KbGridTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "kbgrid_test.moc"
