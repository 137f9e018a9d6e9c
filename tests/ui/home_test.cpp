// The home page: what it shows for the data present, its command menu, hover feedback and
// the layout of the step pictures.
#include <QEnterEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>

#include "app/ui/homepage.h"
#include "ui_tests.h"

using namespace tavrin;
using namespace tavrin::testing;
using ui::StepLook;

namespace {
using Flags = QList<bool>;  // index 0 unused, 1..6
}

void HomeTest::showsTheStepsTheDataAllows_data()
{
    QTest::addColumn<int>("fixture");
    QTest::addColumn<Flags>("enabled");
    QTest::addColumn<Flags>("cleared");
    QTest::addColumn<bool>("noPai");
    QTest::addColumn<QString>("status");
    QTest::newRow("empty") << int(Fixture::Empty) << Flags{0, 1, 0, 0, 0, 0, 0} << Flags{0, 0, 0, 0, 0, 0, 0} << true
                           << QStringLiteral("请设置班级。");
    QTest::newRow("classes only") << int(Fixture::ClassesOnly) << Flags{0, 1, 1, 0, 0, 0, 0}
                                  << Flags{0, 1, 0, 0, 0, 0, 0} << true << QStringLiteral("请设置课时。");
    QTest::newRow("no timetable") << int(Fixture::NoTimetable) << Flags{0, 1, 1, 1, 1, 1, 1}
                                  << Flags{0, 1, 1, 1, 1, 0, 0} << true
                                  << QStringLiteral("未排课，点击“开始排课”进行自动排课。");
    QTest::newRow("everything") << int(Fixture::Everything) << Flags{0, 1, 1, 1, 1, 1, 1} << Flags{0, 1, 1, 1, 1, 0, 1}
                                << false << QStringLiteral("打开课程表，可以进行手工调课、打印课程表或导出至EXCEL。");
}

void HomeTest::showsTheStepsTheDataAllows()
{
    QFETCH(int, fixture);
    QFETCH(Flags, enabled);
    QFETCH(Flags, cleared);
    QFETCH(bool, noPai);
    QFETCH(QString, status);
    School school{Fixture(fixture)};
    Window win(*school.store);
    auto* home = win->homePage();
    for (int s = 1; s <= 6; ++s) {
        QCOMPARE(home->imgMain(s)->isEnabled(), enabled[s]);
        QCOMPARE(home->imgMain(s)->look(), enabled[s] ? StepLook::Normal : StepLook::Unavailable);
    }
    for (int s : {1, 2, 3, 4, 6})
        QCOMPARE(!home->imgDel(s)->isHidden(), cleared[s]);
    QCOMPARE(!home->lblNoPai()->isHidden(), noPai);
    QCOMPARE(home->lblNoPai()->text(), QStringLiteral("未排！"));
    QCOMPARE(win->status(), status);
    // Only a school without classes points a new user to step 1 and the sample school.
    QCOMPARE(!home->lblStart()->isHidden(), !enabled[2]);
    QVERIFY(home->lblStart()->text().contains(QStringLiteral("示例学校")));
}

void HomeTest::menuEntriesFollowTheStepPictures_data()
{
    showsTheStepsTheDataAllows_data();
}

void HomeTest::menuEntriesFollowTheStepPictures()
{
    QFETCH(int, fixture);
    QFETCH(Flags, enabled);
    QFETCH(Flags, cleared);
    School school{Fixture(fixture)};
    Window win(*school.store);
    // Start from the opposite of what is expected, so that the refresh has to set each entry.
    for (auto* a : win->pmTs0()->actions())
        a->setEnabled(false);
    Q_EMIT win->pmTs0()->aboutToShow();
    for (int s = 1; s <= 5; ++s)
        QCOMPARE(win->action(QStringLiteral("mniMain%1").arg(s).toUtf8().constData())->isEnabled(), enabled[s]);
    for (int k = 1; k <= 4; ++k)
        QCOMPARE(win->action(QStringLiteral("mniOpenKb%1").arg(k).toUtf8().constData())->isEnabled(), enabled[6]);
    // Covers stand in for lessons of the timetable step: the cover page opens with it.
    QCOMPARE(win->action("mniCover")->isEnabled(), enabled[6]);
    for (int s : {1, 2, 3, 4, 6})
        QCOMPARE(win->action(QStringLiteral("mniClearMain%1").arg(s).toUtf8().constData())->isEnabled(), cleared[s]);
}

void HomeTest::menuHasItsEntriesInOrder()
{
    School school;
    Window win(*school.store);
    QStringList captions;
    for (auto* a : win->pmTs0()->actions())
        captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
    const QStringList expected = {
        "关闭", "-", "设置班级", "清除", "-", "设置课时", "清除", "-", "设置科目", "清除", "-", "设置任课", "清除", "-",
        "开始排课", "-", "打开班级课程表", "打开教师课程表", "打开总课程表", "打开总任课表", "清除", "-", "代课安排",
        "-", "切换用户", "修改密码", "建立新用户", "删除用户", "-", "恢复数据", "备份数据", "-", "帮助"};
    QCOMPARE(captions, expected);
}

void HomeTest::unavailableStepIgnoresClicks()
{
    School school(Fixture::ClassesOnly);
    Window win(*school.store);
    auto* home = win->homePage();
    QTest::mouseClick(home->imgMain(3), Qt::LeftButton);
    QCOMPARE(win->currentIndex(), 0);
    QCOMPARE(win.page(3)->loads, 0);
    QTest::mouseClick(home->imgMain(2), Qt::LeftButton);
    QCOMPARE(win->currentIndex(), 2);
    QCOMPARE(win.page(2)->loads, 1);
}

void HomeTest::hoverShowsThePictureAndTheHint_data()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<QString>("hint");
    QTest::newRow("1") << 1 << QStringLiteral("设置年级、班级数量、名称。");
    QTest::newRow("2") << 2 << QStringLiteral("设置天数、课时、公共时段。");
    QTest::newRow("3") << 3 << QStringLiteral("设置科目数量、名称、各班节数。");
    QTest::newRow("4") << 4 << QStringLiteral("设置教师数量、名称、任课情况。");
    QTest::newRow("5") << 5 << QStringLiteral("开始计算机自动排课。");
    QTest::newRow("6") << 6 << QStringLiteral("打开课程表，可以查询、调整、打印、导出课程表。");
}

void HomeTest::hoverShowsThePictureAndTheHint()
{
    QFETCH(int, step);
    QFETCH(QString, hint);
    School school(Fixture::Everything);
    Window win(*school.store);
    auto* img = win->homePage()->imgMain(step);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(img, &enter);
    QCOMPARE(img->look(), StepLook::Hover);
    QCOMPARE(win->status(), hint);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(img, &leave);
    QCOMPARE(img->look(), StepLook::Normal);
}

void HomeTest::unavailableStepHasNoHover()
{
    School school;
    Window win(*school.store);
    auto* img = win->homePage()->imgMain(4);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(img, &enter);
    QCOMPARE(img->look(), StepLook::Unavailable);
    QCOMPARE(win->status(), QStringLiteral("请设置班级。"));
}

void HomeTest::topBarAndDataRowHints_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("hint");
    QTest::newRow("imgTopMu") << "imgTopMu" << QStringLiteral("弹出命令列表。");
    QTest::newRow("btnClose") << "btnClose" << QStringLiteral("退出Tavrin");
    QTest::newRow("btnHelp") << "btnHelp" << QStringLiteral("打开这个步骤的说明、操作视频。(F1)");
    QTest::newRow("btnSave") << "btnSave" << QStringLiteral("保存数据");
    QTest::newRow("btnCancel") << "btnCancel" << QStringLiteral("返回主界面");
    QTest::newRow("lblData") << "lblData" << QStringLiteral("正操作着的数据库路径");
    QTest::newRow("btnBackData") << "btnBackData" << QStringLiteral("把你正用着的数据备份成一个文件保存起来。");
    QTest::newRow("btnReData") << "btnReData" << QStringLiteral("选择另一个备份文件覆盖掉你正用着的数据。");
    QTest::newRow("lblUser") << "lblUser" << QStringLiteral("切换登录用户、修改密码、增删用户。");
}

void HomeTest::topBarAndDataRowHints()
{
    QFETCH(QString, name);
    QFETCH(QString, hint);
    School school;
    Window win(*school.store);
    QWidget* w = win->findChild<QWidget*>(name);
    QVERIFY(w);
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QCoreApplication::sendEvent(w, &enter);
    QCOMPARE(win->status(), hint);
}

void HomeTest::userLabelChangesColourOnHover()
{
    School school;
    Window win(*school.store);
    auto* lbl = win->homePage()->lblUser();
    lbl->setText(QStringLiteral("张三（操作员）"));
    lbl->adjustSize();
    // Measured on the band behind the label, as drawn, not on the label's own colours.
    QWidget* band = lbl->parentWidget();
    const double normal = drawnContrast(band, lbl->geometry());
    QVERIFY2(normal >= 4.5, qPrintable(QString::number(normal)));
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QCoreApplication::sendEvent(lbl, &enter);
    const double hovered = drawnContrast(band, lbl->geometry());
    QVERIFY2(hovered >= 4.5, qPrintable(QString::number(hovered)));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(lbl, &leave);
    const double left = drawnContrast(band, lbl->geometry());
    QVERIFY2(left >= 4.5, qPrintable(QString::number(left)));
    QVERIFY(hovered != left);
}

void HomeTest::labelsShowSchoolUserAndFile()
{
    School school;
    school.store->run("INSERT INTO setting(setName, setVar) VALUES('学校名称', '第一中学')");
    Window win(*school.store);
    auto* home = win->homePage();
    QCOMPARE(home->lblSchool()->text(), QStringLiteral("第一中学"));
    QCOMPARE(QFileInfo(home->lblData()->text()).canonicalFilePath(),
             QFileInfo(QString::fromStdString(school.path.string())).canonicalFilePath());
    QCOMPARE(home->lblData()->toolTip(), home->lblData()->text());
    win->setUserLabel(QStringLiteral("张三（浏览者）"));
    QCOMPARE(home->lblUser()->text(), QStringLiteral("张三（浏览者）"));
    // The name goes when its row goes.
    school.store->run("DELETE FROM setting");
    win->loadMain();
    QCOMPARE(home->lblSchool()->text(), QString());
}

// As the program starts: the login sets the user label while the window is still hidden
// (no width yet), then the window shows. The name must be there at once, not only after
// a later layout.
void HomeTest::schoolNameShowsAfterARealStart()
{
    School school;
    school.store->run("INSERT INTO setting(setName, setVar) VALUES('学校名称', '第一中学')");
    Window win(*school.store);
    win->setUserLabel(QStringLiteral("默认用户（操作员）"));
    win->resize(960, 640);
    win->show();
    QVERIFY(QTest::qWaitForWindowExposed(win.w.get()));
    auto* name = win->homePage()->lblSchool();
    QVERIFY(name->isVisible());
    QCOMPARE(name->text(), QStringLiteral("第一中学"));
    QVERIFY2(name->width() >= name->sizeHint().width(), qPrintable(QString::number(name->width())));
    QVERIFY(name->x() + name->width() <= win->homePage()->lblUser()->x());
}

// A school or user name with markup in it is shown as typed.
void HomeTest::storedTextIsNeverMarkup()
{
    const QString hostile = QStringLiteral("<h1 style='color:red'>一中</h1><img src='/etc/x.png'>");
    School school;
    school.store->run("INSERT INTO setting(setName, setVar) VALUES('学校名称', ?1)", hostile.toStdString());
    Window win(*school.store);
    win->setUserLabel(hostile);
    auto* home = win->homePage();
    for (QLabel* l : {static_cast<QLabel*>(home->lblSchool()), static_cast<QLabel*>(home->lblUser()), home->lblData()})
        QCOMPARE(l->textFormat(), Qt::PlainText);
    QCOMPARE(home->lblSchool()->text(), hostile);
}

void HomeTest::layoutFollowsTheFormula()
{
    using app::ui::homeLayout;
    // 1100 x 640 with 120 x 136 tiles: a = 424, b = 92, c = 63 (318 / 5, truncated).
    const auto l = homeLayout(1100, 640, 120, 136);
    QCOMPARE(l.step[1], QRect(112, 176, 120, 136));
    QCOMPARE(l.step[2], QRect(112, 375, 120, 136));
    QCOMPARE(l.step[3], QRect(416, 176, 120, 136));
    QCOMPARE(l.step[4], QRect(416, 375, 120, 136));
    // Right of step 4 (x 536): 1100 - 536 - 240 = 324, three gaps of 108.
    QCOMPARE(l.step[5], QRect(644, 252, 120, 136));
    QCOMPARE(l.step[6], QRect(872, 252, 120, 136));
    QCOMPARE(l.del[1], QPoint(200, 176));
    QCOMPARE(l.del[6], QPoint(960, 252));
    QCOMPARE(l.noPai, QPoint(738, 260));
}

void HomeTest::layoutKeepsTheStepsApart_data()
{
    QTest::addColumn<int>("W");
    QTest::addColumn<int>("H");
    QTest::newRow("smallest window") << 960 << 560;
    QTest::newRow("default") << 1120 << 620;
    QTest::newRow("wide") << 1920 << 1000;
    QTest::newRow("tall") << 1000 << 1200;
}

void HomeTest::layoutKeepsTheStepsApart()
{
    QFETCH(int, W);
    QFETCH(int, H);
    const auto l = app::ui::homeLayout(W, H);
    const QRect area(0, 50, W, H - 50 - 46);  // below the top band, above the data row
    for (int i = 1; i <= 6; ++i) {
        QVERIFY2(area.contains(l.step[i]), qPrintable(QStringLiteral("step %1").arg(i)));
        for (int j = i + 1; j <= 6; ++j)
            QVERIFY2(!l.step[i].intersects(l.step[j]), qPrintable(QStringLiteral("%1 and %2").arg(i).arg(j)));
    }
    // Each arrow lies between its two steps and points from the first to the second.
    for (int k = 1; k <= 5; ++k) {
        const QPointF a = l.arrowFrom[k], b = l.arrowTo[k];
        QVERIFY(!l.step[k].contains(a.toPoint()) && !l.step[k + 1].contains(b.toPoint()));
        const QPointF dir = QRectF(l.step[k + 1]).center() - QRectF(l.step[k]).center();
        const QPointF arrow = b - a;
        QVERIFY(dir.x() * arrow.x() + dir.y() * arrow.y() > 0);
    }
}

void HomeTest::stepStatesLookPlainlyDifferent()
{
    using ui::paintStep;
    auto render = [](int step, StepLook look) {
        QImage img(ui::kStepW, ui::kStepH, QImage::Format_ARGB32);
        img.fill(QColor(0xf2, 0xf5, 0xfa));
        QPainter p(&img);
        paintStep(p, QRectF(img.rect()), step, look);
        return img;
    };
    auto differing = [](const QImage& a, const QImage& b) {
        int n = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x) {
                QColor ca = a.pixelColor(x, y), cb = b.pixelColor(x, y);
                if (std::abs(ca.red() - cb.red()) + std::abs(ca.green() - cb.green()) + std::abs(ca.blue() - cb.blue()) > 24)
                    ++n;
            }
        return double(n) / (a.width() * a.height());
    };
    auto saturation = [](const QImage& a) {
        double sum = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x)
                sum += a.pixelColor(x, y).hsvSaturationF();
        return sum / (a.width() * a.height());
    };
    for (int step = 1; step <= 6; ++step) {
        const QImage normal = render(step, StepLook::Normal);
        const QImage hover = render(step, StepLook::Hover);
        const QImage off = render(step, StepLook::Unavailable);
        const QString at = QStringLiteral("step %1").arg(step);
        QVERIFY2(differing(normal, hover) > 0.05, qPrintable(at));
        QVERIFY2(differing(normal, off) > 0.10, qPrintable(at));
        // Unavailable is grey: hardly any colour left.
        QVERIFY2(saturation(off) < 0.5 * saturation(normal), qPrintable(at));
        // Each step has a picture of its own.
        if (step > 1)
            QVERIFY2(differing(normal, render(step - 1, StepLook::Normal)) > 0.05, qPrintable(at));
    }
}
