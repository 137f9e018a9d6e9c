// The time-mark dialog over teachers, driven as the operator drives it: the arrows step
// through the teacher rows of one copy, "确定" reports a change made to a teacher the dialog
// has since stepped away from, "取消" keeps the draft, and a deleted teacher's marks never
// show on a teacher added after him.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTreeWidget>
#include <QtTest>

#include "entry/teacher_fixture.h"
#include "entry/teachers.h"
#include "entry/ui/teshuform.h"
#include "ui/fonts.h"
#include "ui/style.h"

using namespace tavrin;
using namespace tavrin::testing;
using entry::teaMarkAt;
using entry::ui::TteshuForm;

class TeaMarksUiTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void showsTheTeachersMarksWithoutScopes();
    void arrowsStepThroughTheRowsAndCommitSeesEveryTeacher();
    void cancelKeepsTheDraft();
    void aDeletedTeachersMarksNeverComeBack();
};

namespace {

// The fixture's school: a Tuesday-to-Saturday week of 4 + 4 periods; 李 (1) marked 一定排
// on Wednesday period 1, 张 (2) 不排 on Wednesday period 2.
struct Open {
    TeacherSchool school;
    entry::TeaDraft d = entry::loadTeachers(school.store());
    TteshuForm dlg;
    Open() { dlg.showForTeacher(d, 4, 4, 0, d.rows[0].id, QString::fromStdString(d.rows[0].name)); }
};

}  // namespace

void TeaMarksUiTest::showsTheTeachersMarksWithoutScopes()
{
    Open o;
    QVERIFY(o.dlg.isVisible());
    QVERIFY(o.dlg.teacherMode());
    QVERIFY(!o.dlg.tv1()->isVisibleTo(&o.dlg));
    QCOMPARE(o.dlg.windowTitle(), QStringLiteral("李老师 课节预设"));
    QCOMPARE(o.dlg.grid()->days(), 5);
    QCOMPARE(o.dlg.grid()->periods(), 8);
    QCOMPARE(o.dlg.shown(2, 1), int(model::MarkCertain));
    QCOMPARE(o.dlg.grid()->cell(8 + 1).text, QStringLiteral("一定排"));
    QCOMPARE(o.dlg.shown(1, 1), 0);
    o.dlg.clickCell(1, 1);
    QCOMPARE(o.dlg.shown(1, 1), int(model::MarkPrefer));
    QCOMPARE(o.d.rows[0].marks[teaMarkAt(1, 1)], 0);  // the draft waits for 确定
}

void TeaMarksUiTest::arrowsStepThroughTheRowsAndCommitSeesEveryTeacher()
{
    Open o;
    QSignalSpy steps(&o.dlg, &TteshuForm::stepRequested);
    QSignalSpy commits(&o.dlg, &TteshuForm::committed);
    o.dlg.setCell(1, 1, model::MarkNever);  // on 李
    QTest::mouseClick(o.dlg.btnV2(), Qt::LeftButton);
    QCOMPARE(o.dlg.teacher(), o.d.rows[1].id);
    QCOMPARE(o.dlg.lblKe()->text(), QStringLiteral("张老师"));
    QCOMPARE(o.dlg.shown(2, 2), int(model::MarkNever));
    QCOMPARE(steps.count(), 1);
    QCOMPARE(steps.at(0).at(0).toInt(), 1);
    QTest::mouseClick(o.dlg.btnV1(), Qt::LeftButton);
    QTest::mouseClick(o.dlg.btnV1(), Qt::LeftButton);  // already at the first row
    QCOMPARE(o.dlg.teacher(), o.d.rows[0].id);
    QCOMPARE(steps.count(), 2);
    // Found again on the last teacher (as "查找教师" selecting a row re-targets it): the change
    // made on 李 still counts when "确定" is pressed there.
    o.dlg.retargetTeacher(o.d.rows[4].id, QStringLiteral("钱老师"));
    QTest::mouseClick(o.dlg.btnV2(), Qt::LeftButton);
    QCOMPARE(o.dlg.teacher(), o.d.rows[4].id);
    QTest::mouseClick(o.dlg.btnOk(), Qt::LeftButton);
    QVERIFY(!o.dlg.isVisible());
    QCOMPARE(commits.count(), 1);
    QCOMPARE(commits.at(0).at(0).toBool(), true);
    QCOMPARE(o.d.rows[0].marks[teaMarkAt(1, 1)], model::MarkNever);
}

void TeaMarksUiTest::cancelKeepsTheDraft()
{
    Open o;
    const auto before = o.d.rows;
    o.dlg.setCell(3, 3, model::MarkCertain);
    QTest::mouseClick(o.dlg.btnAuto(), Qt::LeftButton);
    QCOMPARE(o.dlg.shown(2, 1), 0);
    QTest::mouseClick(o.dlg.btnClose(), Qt::LeftButton);
    QVERIFY(!o.dlg.isVisible());
    QVERIFY(o.d.rows == before);
    // Shown again, the copy is the draft's once more.
    o.dlg.showForTeacher(o.d, 4, 4, 0, o.d.rows[0].id, QStringLiteral("李老师"));
    QCOMPARE(o.dlg.shown(2, 1), int(model::MarkCertain));
    QSignalSpy commits(&o.dlg, &TteshuForm::committed);
    QTest::mouseClick(o.dlg.btnOk(), Qt::LeftButton);
    QCOMPARE(commits.at(0).at(0).toBool(), false);
}

void TeaMarksUiTest::aDeletedTeachersMarksNeverComeBack()
{
    Open o;
    int row = -1;
    QVERIFY(entry::addTeacher(o.d, "新老师", &row).ok);
    const auto added = o.d.rows[static_cast<std::size_t>(row)].id;
    o.dlg.retargetTeacher(added, QStringLiteral("新老师"));
    o.dlg.setCell(1, 1, model::MarkCertain);
    entry::deleteTeacher(o.d, row, o.dlg.teaWork());
    QVERIFY(entry::addTeacher(o.d, "又一位", &row).ok);
    const auto next = o.d.rows[static_cast<std::size_t>(row)].id;
    o.dlg.retargetTeacher(next, QStringLiteral("又一位"));
    QCOMPARE(o.dlg.shown(1, 1), 0);
    QTest::mouseClick(o.dlg.btnOk(), Qt::LeftButton);
    QVERIFY(o.d.rows[static_cast<std::size_t>(row)].marks == entry::TeaMarks{});
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ui::useChineseFont(app);
    ui::useKitStyle(app);
    TeaMarksUiTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "tea_marks_ui_test.moc"
