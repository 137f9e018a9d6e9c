// The window's whole-file commands: clearing a step, backup and restore.
#include <QFile>

#include "store/dbfile.h"
#include "ui_tests.h"
#include "users/users.h"

using namespace tavrin;
using namespace tavrin::testing;
using ui::Answer;

namespace {
QByteArray bytes(const std::filesystem::path& p)
{
    QFile f(QString::fromStdString(p.string()));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}
}  // namespace

void StoreCommandsTest::clearAsksThenClears_data()
{
    QTest::addColumn<int>("fixture");
    QTest::addColumn<int>("step");
    QTest::addColumn<QList<int>>("answers");  // Answer values, in order
    QTest::addColumn<QStringList>("titles");  // of everything shown
    QTest::addColumn<QString>("table");       // the table the step empties
    QTest::addColumn<bool>("cleared");
    const QList<int> yes{int(Answer::Yes)}, yesYes{int(Answer::Yes), int(Answer::Yes)},
        yesNo{int(Answer::Yes), int(Answer::No)}, no{int(Answer::No)};
    QTest::newRow("step 1, days stored: both questions")
        << int(Fixture::Everything) << 1 << yesYes << QStringList{"清除数据", "请慎重", ""} << "banbd" << true;
    QTest::newRow("step 1, second question declined")
        << int(Fixture::Everything) << 1 << yesNo << QStringList{"清除数据", "请慎重"} << "banbd" << false;
    QTest::newRow("step 1, first question declined")
        << int(Fixture::Everything) << 1 << no << QStringList{"清除数据"} << "banbd" << false;
    // Without days the second question is not asked.
    QTest::newRow("step 1, no days") << int(Fixture::ClassesOnly) << 1 << yes << QStringList{"清除数据", ""}
                                     << "banbd" << true;
    QTest::newRow("step 3") << int(Fixture::Everything) << 3 << yesYes << QStringList{"清除数据", "请慎重", ""}
                            << "kemubd" << true;
    QTest::newRow("step 4") << int(Fixture::Everything) << 4 << yesYes << QStringList{"清除数据", "请慎重", ""}
                            << "teabd" << true;
    QTest::newRow("step 6: one question") << int(Fixture::Everything) << 6 << yes << QStringList{"清空课程表", ""}
                                          << "kechenbd" << true;
}

void StoreCommandsTest::clearAsksThenClears()
{
    QFETCH(int, fixture);
    QFETCH(int, step);
    QFETCH(QList<int>, answers);
    QFETCH(QStringList, titles);
    QFETCH(QString, table);
    QFETCH(bool, cleared);
    School school{Fixture(fixture)};
    Window win(*school.store);
    for (int a : answers)
        win.asker.answer(Answer(a));
    const long long before = school.count(table.toUtf8().constData());
    QVERIFY(before > 0);

    win->action(QStringLiteral("mniClearMain%1").arg(step).toUtf8().constData())->trigger();

    QCOMPARE(win.asker.titles(), titles);
    const auto texts = app::clearTexts(step);
    QCOMPARE(win.asker.texts().value(0), QString::fromUtf8(texts.question));
    QCOMPARE(school.count(table.toUtf8().constData()), cleared ? 0 : before);
    if (cleared) {
        QCOMPARE(win.asker.texts().last(), QStringLiteral("清除完成。"));
        // The home page is refreshed: the clear image of the step is gone.
        QVERIFY(win->homePage()->imgDel(step)->isHidden());
    } else {
        QVERIFY(!win->homePage()->imgDel(step)->isHidden());
    }
    QVERIFY(win.asker.done());
}

void StoreCommandsTest::clearingStep2KeepsItsStatus()
{
    School school(Fixture::Everything);
    Window win(*school.store);
    win.asker.answer(Answer::Yes).answer(Answer::Yes);
    win->clearStep(2);
    // Days and period counts stay, so step 3 is still open and step 2 still clearable.
    QVERIFY(school.count("daybd") > 0);
    QVERIFY(win->homePage()->imgMain(3)->isEnabled());
    QVERIFY(!win->homePage()->imgDel(2)->isHidden());
}

void StoreCommandsTest::viewerIsRefused_data()
{
    QTest::addColumn<QString>("command");
    for (const char* c : {"mniClearMain1", "mniClearMain2", "mniClearMain3", "mniClearMain4", "mniClearMain6",
                          "mniReData", "mniNewUser2"})
        QTest::newRow(c) << QString::fromUtf8(c);
}

void StoreCommandsTest::viewerIsRefused()
{
    QFETCH(QString, command);
    School school(Fixture::Everything);
    Window win(*school.store);
    win->session().type = users::Viewer;
    win->session().num = 2;
    const QByteArray before = bytes(school.path);
    win->action(command.toUtf8().constData())->trigger();
    // The refusal comes first: no question, no file dialog.
    QCOMPARE(win.asker.texts(), QStringList{QStringLiteral("以“浏览者”身份登陆时不能修改数据。")});
    QCOMPARE(bytes(school.path), before);
}

void StoreCommandsTest::backupCopiesTheFileAndOpensItsFolder_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("written");
    QTest::newRow("no extension") << "copy" << "copy.wkt";
    QTest::newRow("with extension") << "copy.wkt" << "copy.wkt";
    QTest::newRow("other extension") << "copy.dat" << "copy.dat.wkt";
}

void StoreCommandsTest::backupCopiesTheFileAndOpensItsFolder()
{
    QFETCH(QString, typed);
    QFETCH(QString, written);
    School school(Fixture::Everything);
    QTemporaryDir out;
    Window win(*school.store);
    win.asker.answerFile(out.filePath(typed));
    // A viewer may back up.
    win->session().type = users::Viewer;
    win->backupData();
    QCOMPARE(win.asker.texts().last(), QStringLiteral("备份成功。"));
    const QString dest = out.filePath(written);
    QVERIFY(QFileInfo(dest).isFile());
    QCOMPARE(bytes(dest.toStdString()), bytes(school.path));
    QCOMPARE(win.opened, QStringList{QFileInfo(dest).absolutePath()});
    // The connection is usable again.
    QCOMPARE(school.count("banbd"), 2LL);
}

void StoreCommandsTest::backupFailureIsReported()
{
    School school;
    Window win(*school.store);
    win.asker.answerFile(QStringLiteral("/nonexistent-folder/backup"));
    win->backupData();
    QCOMPARE(win.asker.texts().last(), QStringLiteral("备份数据时出错，可能是数据库正打开着。"));
    QVERIFY(win.opened.isEmpty());
    QCOMPARE(school.count("userbd"), 1LL);
}

void StoreCommandsTest::restoreRefusesAFileThatIsNotASchool_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("reason");
    QTest::newRow("text file") << QByteArray("这不是数据库\n") << QStringLiteral("文件不是排课数据库");
    QTest::newRow("empty file") << QByteArray() << QStringLiteral("文件不是排课数据库");
}

void StoreCommandsTest::restoreRefusesAFileThatIsNotASchool()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, reason);
    School school(Fixture::Everything);
    QTemporaryDir other;
    const QString bad = other.filePath("bad.wkt");
    {
        QFile f(bad);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    Window win(*school.store);
    win.asker.answerFile(bad).answer(Answer::Ok);
    const QByteArray before = bytes(school.path);

    win->restoreData();

    QCOMPARE(bytes(school.path), before);
    const QString msg = win.asker.texts().last();
    QVERIFY2(msg.contains(reason) && msg.contains(QStringLiteral("bad.wkt")), qPrintable(msg));
    QVERIFY(!win.asker.texts().contains(QStringLiteral("恢复数据完成。")));
    QCOMPARE(win.logins, 0);
    QCOMPARE(school.count("kechenbd"), 1LL);
}

void StoreCommandsTest::restoreReplacesTheDataAndLogsInAgain_data()
{
    QTest::addColumn<bool>("loginConfirmed");
    QTest::newRow("login confirmed") << true;
    QTest::newRow("login cancelled") << false;
}

void StoreCommandsTest::restoreReplacesTheDataAndLogsInAgain()
{
    QFETCH(bool, loginConfirmed);
    School school(Fixture::Everything);
    School backup(Fixture::ClassesOnly);
    backup.store->close();
    Window win(*school.store);
    if (!loginConfirmed)
        win.loginAnswer = std::nullopt;
    win.asker.answerFile(QString::fromStdString(backup.path.string())).answer(Answer::Ok);

    win->restoreData();

    QCOMPARE(win.asker.shown[1].text, QStringLiteral("确认要恢复数据吗？请慎重操作！"));
    QCOMPARE(win.asker.shown[1].title, QStringLiteral("恢复数据"));
    QCOMPARE(win.asker.shown[1].buttons, ui::Buttons::OkCancel);
    QCOMPARE(win.asker.texts().last(), QStringLiteral("恢复数据完成。"));
    QCOMPARE(bytes(school.path), bytes(backup.path));
    // The home page shows the restored school.
    QCOMPARE(win->homeState().status, std::string("请设置课时。"));
    QCOMPARE(win.logins, 1);
    // A cancelled login ends the program without the exit question.
    QCOMPARE(win->quitWithoutAsking(), !loginConfirmed);
    QVERIFY(!win.asker.texts().contains(QStringLiteral("确定要退出Tavrin吗？")));
    QVERIFY(win.asker.done());
}

void StoreCommandsTest::restoreCancelledChangesNothing()
{
    School school(Fixture::Everything);
    School backup;
    backup.store->close();
    Window win(*school.store);
    win.asker.answerFile(QString::fromStdString(backup.path.string())).answer(Answer::Cancel);
    const QByteArray before = bytes(school.path);
    win->restoreData();
    QCOMPARE(bytes(school.path), before);
    QCOMPARE(win.logins, 0);
    QCOMPARE(win.asker.shown.size(), std::size_t(2));
}
