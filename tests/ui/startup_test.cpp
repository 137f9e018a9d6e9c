// Finding and checking the school file at start.
#include <QFile>
#include <QProcess>

#include <sqlite3.h>
#include <sys/resource.h>

#include <csignal>

#include "store/dbfile.h"
#include "store/lock.h"
#include "main/startup.h"
#include "ui_tests.h"
#include "users/users.h"

using namespace tavrin;
using namespace tavrin::testing;
using ui::Answer;
namespace fs = std::filesystem;

namespace {
enum Prep { Nothing, SchoolDat, SchoolWkt, TextDat, ForeignDat, SchoolOther };

QByteArray slurp(const fs::path& p)
{
    QFile f(QString::fromStdString(p.string()));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeText(const fs::path& p, const QByteArray& b)
{
    QFile f(QString::fromStdString(p.string()));
    f.open(QIODevice::WriteOnly);
    f.write(b);
}
}  // namespace

void StartupTest::findsOrMakesTheSchoolFile_data()
{
    QTest::addColumn<int>("prep");
    QTest::addColumn<QString>("option");  // "" = the program's folder; else a name in it
    QTest::addColumn<bool>("ok");
    QTest::addColumn<bool>("created");
    QTest::addColumn<QString>("message");  // a part of the one message shown, "" = none
    QTest::newRow("school beside the program") << int(SchoolDat) << "" << true << false << "";
    QTest::newRow("neither file") << int(Nothing) << "" << true << true << "找不到数据库文件db.dat";
    QTest::newRow("only db.wkt") << int(SchoolWkt) << "" << true << false << "";
    QTest::newRow("text file") << int(TextDat) << "" << false << false << "文件不是排课数据库";
    QTest::newRow("another program's database") << int(ForeignDat) << "" << false << false << "缺少数据表";
    QTest::newRow("--db with another name") << int(SchoolOther) << "other.dat" << true << false << "";
    QTest::newRow("--db naming a missing file") << int(Nothing) << "new.dat" << true << true
                                                << "找不到数据库文件db.dat";
    QTest::newRow("--db db.dat keeps the fallback") << int(SchoolWkt) << "db.dat" << true << false << "";
}

void StartupTest::findsOrMakesTheSchoolFile()
{
    QFETCH(int, prep);
    QFETCH(QString, option);
    QFETCH(bool, ok);
    QFETCH(bool, created);
    QFETCH(QString, message);
    QTemporaryDir tmp;
    const fs::path dir = tmp.path().toStdString();
    const fs::path dat = dir / "db.dat";
    switch (prep) {
    case SchoolDat:
        QVERIFY(users::initDatabase(dat));
        break;
    case SchoolWkt:
        QVERIFY(users::initDatabase(dir / "db.wkt"));
        break;
    case TextDat:
        writeText(dat, "不是数据库");
        break;
    case ForeignDat: {
        sqlite3* db = nullptr;
        sqlite3_open(dat.string().c_str(), &db);
        sqlite3_exec(db, "CREATE TABLE notes(x TEXT); INSERT INTO notes VALUES('a');", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        break;
    }
    case SchoolOther:
        QVERIFY(users::initDatabase(dir / "other.dat"));
        break;
    default:
        break;
    }
    const fs::path expected = option.isEmpty() ? dat : dir / option.toStdString();
    const QByteArray before = slurp(expected);
    const QString dbOption = option.isEmpty() ? QString() : QString::fromStdString((dir / option.toStdString()).string());
    ScriptedAsker asker;

    const ui::StartupFile f = ui::openSchoolFile(dbOption, dir, asker);

    QCOMPARE(f.ok, ok);
    QCOMPARE(f.created, created);
    QCOMPARE(f.path, expected);
    if (message.isEmpty()) {
        QVERIFY2(asker.shown.empty(), qPrintable(asker.texts().join('|')));
    } else {
        QCOMPARE(asker.shown.size(), std::size_t(1));
        QVERIFY2(asker.texts()[0].contains(message), qPrintable(asker.texts()[0]));
    }
    if (ok) {
        QVERIFY(store::checkSchoolFile(expected).ok);
        QVERIFY(!fs::exists(dir / "db_temp.dat"));
    } else {
        // A refused file is named in the message and left exactly as it was.
        QVERIFY(asker.texts()[0].contains(QString::fromStdString(expected.string())));
        QCOMPARE(slurp(expected), before);
    }
    if (prep == SchoolWkt)
        QVERIFY(!fs::exists(dir / "db.wkt"));
}

namespace {

// A school holding free pages, so that a compaction would change its bytes.
void schoolWithFreePages(const fs::path& f)
{
    QVERIFY(users::initDatabase(f));
    store::Store s(f);
    s.transaction([&] {
        for (int i = 1; i <= 300; ++i)
            s.run("INSERT INTO setting(setName, setVar) VALUES(?1, ?2)", "x" + std::to_string(i), std::string(500, 'v'));
    });
    s.run("DELETE FROM setting");
}

unsigned modeOf(const fs::path& p)
{
    return static_cast<unsigned>(fs::status(p).permissions()) & 07777;
}

}  // namespace

void StartupTest::aStartThatCannotMakeTheFileEndsWithOneMessage_data()
{
    QTest::addColumn<QString>("folder");  // under the temporary folder
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing folder") << "没有 这个文件夹" << false << "文件夹不存在";
    QTest::newRow("read-only folder") << "只读" << true << "没有写入权限";
}

// The window program itself: status 1, the one message naming the path and the reason, and
// no file left for every later start to refuse.
void StartupTest::aStartThatCannotMakeTheFileEndsWithOneMessage()
{
    QFETCH(QString, folder);
    QFETCH(bool, readOnly);
    QFETCH(QString, reason);
    QTemporaryDir tmp;
    const fs::path dir = fs::path(tmp.path().toStdString()) / folder.toStdString();
    if (readOnly) {
        fs::create_directory(dir);
        fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    }
    const fs::path dat = dir / "db.dat";

    ScriptedAsker asker;
    const ui::StartupFile f = ui::openSchoolFile(QString::fromStdString(dat.string()), dir, asker);
    QVERIFY(!f.ok);
    QCOMPARE(asker.shown.size(), std::size_t(1));
    QVERIFY2(asker.texts()[0].contains(QString::fromStdString(dat.string())), qPrintable(asker.texts()[0]));
    QVERIFY2(asker.texts()[0].contains(reason), qPrintable(asker.texts()[0]));
    QVERIFY(!fs::exists(dat));

    QProcess tavrin;
    tavrin.start(QString::fromUtf8(TAVRIN_EXE), {QStringLiteral("--db"), QString::fromStdString(dat.string()),
                                              QStringLiteral("--grab"), tmp.filePath(QStringLiteral("out.png"))});
    QVERIFY(tavrin.waitForFinished(120000));
    QCOMPARE(tavrin.exitStatus(), QProcess::NormalExit);
    QCOMPARE(tavrin.exitCode(), 1);
    const QString err = QString::fromUtf8(tavrin.readAllStandardError());
    QCOMPARE(err.count(QStringLiteral("Tavrin: ")), 1);  // one message; the rest is the log
    QVERIFY2(err.contains(reason) && err.contains(QString::fromStdString(dat.string())), qPrintable(err));
    QVERIFY(!fs::exists(dat));
    if (readOnly)
        fs::permissions(dir, fs::perms::owner_all);
}

// A full disk, as a limit on the size of the files the program may write.
void StartupTest::aStartOnAFullDiskEndsWithOneMessage()
{
    QTemporaryDir tmp;
    const fs::path dir = fs::path(tmp.path().toStdString()) / "学校 文件";
    fs::create_directory(dir);
    const fs::path dat = dir / "db.dat";
    QProcess tavrin;
    tavrin.setChildProcessModifier([] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit lim{8192, 8192};
        ::setrlimit(RLIMIT_FSIZE, &lim);
    });
    tavrin.start(QString::fromUtf8(TAVRIN_EXE), {QStringLiteral("--db"), QString::fromStdString(dat.string()),
                                                 QStringLiteral("--grab"), tmp.filePath(QStringLiteral("out.png"))});
    QVERIFY(tavrin.waitForFinished(120000));
    QCOMPARE(tavrin.exitStatus(), QProcess::NormalExit);
    QCOMPARE(tavrin.exitCode(), 1);
    // Standard error also holds the log; the messages are the lines titled "Tavrin".
    const QString err = QString::fromUtf8(tavrin.readAllStandardError());
    QCOMPARE(err.count(QStringLiteral("Tavrin: ")), 1);
    const QString message = err.mid(err.indexOf(QStringLiteral("Tavrin: ")));
    QVERIFY2(message.contains(QString::fromStdString(dat.string())) && message.contains(QStringLiteral("磁盘")),
             qPrintable(message));
    QVERIFY(fs::is_empty(dir));
}

void StartupTest::aSecondStartMayOnlyView_data()
{
    QTest::addColumn<bool>("view");
    QTest::newRow("view read-only") << true;
    QTest::newRow("quit") << false;
}

// Two starts on one file: the second asks, and can neither compact nor write.
void StartupTest::aSecondStartMayOnlyView()
{
    QFETCH(bool, view);
    QTemporaryDir tmp;
    const fs::path dir = tmp.path().toStdString();
    const fs::path dat = dir / "db.dat";
    schoolWithFreePages(dat);
    ScriptedAsker first;
    const ui::StartupFile one = ui::openSchoolFile(QString(), dir, first);
    QVERIFY(one.ok && !one.readOnly && one.lock && one.lock->held());
    QVERIFY(first.shown.empty());
    const QByteArray compacted = slurp(dat);
    {
        // Free pages again, which a second compaction would give back.
        store::Store s(dat);
        s.run("INSERT INTO setting(setName, setVar) VALUES('y', ?1)", std::string(300000, 'v'));
        s.run("DELETE FROM setting");
    }
    const QByteArray before = slurp(dat);
    QVERIFY(before != compacted);

    ScriptedAsker second;
    second.answer(view ? Answer::Yes : Answer::No);
    const ui::StartupFile two = ui::openSchoolFile(QString(), dir, second);

    QCOMPARE(two.ok, view);
    QCOMPARE(second.shown.size(), std::size_t(1));
    QVERIFY2(second.texts()[0].contains(QStringLiteral("另一个窗口")), qPrintable(second.texts()[0]));
    QVERIFY(second.texts()[0].contains(QString::fromStdString(dat.string())));
    QVERIFY(second.done());
    QCOMPARE(slurp(dat), before);
    if (view) {
        QVERIFY(two.readOnly);
        QVERIFY(!two.lock);
        store::Store s(dat, store::Store::Mode::ReadOnly);
        QVERIFY_THROWS_EXCEPTION(store::ReadOnlyError, s.run("DELETE FROM userbd"));
        QCOMPARE(slurp(dat), before);
    }
}

void StartupTest::aSchoolThatMayNotBeWrittenOpensReadOnly_data()
{
    QTest::addColumn<bool>("folder");  // the folder is read-only, else the file
    QTest::newRow("read-only file") << false;
    QTest::newRow("read-only folder") << true;
}

void StartupTest::aSchoolThatMayNotBeWrittenOpensReadOnly()
{
    QFETCH(bool, folder);
    QTemporaryDir tmp;
    const fs::path dir = fs::path(tmp.path().toStdString()) / "学校 文件";
    fs::create_directory(dir);
    const fs::path dat = dir / "db.dat";
    schoolWithFreePages(dat);
    const auto readOnly = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    if (folder)
        fs::permissions(dir, readOnly | fs::perms::owner_exec);
    else
        fs::permissions(dat, readOnly);
    const unsigned mode = modeOf(dat);
    const QByteArray before = slurp(dat);

    ScriptedAsker asker;
    const ui::StartupFile f = ui::openSchoolFile(QString(), dir, asker);

    QVERIFY(f.ok);
    QVERIFY(f.readOnly);
    QCOMPARE(asker.shown.size(), std::size_t(1));
    QVERIFY2(asker.texts()[0].contains(QStringLiteral("只能查看")), qPrintable(asker.texts()[0]));
    QCOMPARE(slurp(dat), before);
    QCOMPARE(modeOf(dat), mode);
    QVERIFY(!fs::exists(store::SchoolLock::lockPathOf(dat)));
    fs::permissions(dir, fs::perms::owner_all);
}

void StartupTest::aDamagedSchoolIsReportedAndLeftAsItIs()
{
    QTemporaryDir tmp;
    const fs::path dir = tmp.path().toStdString();
    const fs::path dat = dir / "db.dat";
    schoolWithFreePages(dat);
    int root = 0, pageSize = 0;
    {
        store::Store s(dat);
        s.transaction([&] {
            for (int i = 1; i <= 300; ++i)
                s.run("INSERT INTO setting(setName, setVar) VALUES(?1, 'v')", "名称" + std::to_string(i));
        });
        root = static_cast<int>(s.scalar("SELECT rootpage FROM sqlite_master WHERE name = 'setting'"));
        pageSize = static_cast<int>(s.scalar("PRAGMA page_size"));
    }
    QByteArray damaged = slurp(dat);
    damaged[(root - 1) * pageSize] = '\x7f';
    writeText(dat, damaged);

    ScriptedAsker asker;
    const ui::StartupFile f = ui::openSchoolFile(QString(), dir, asker);
    QVERIFY(f.ok);
    QCOMPARE(asker.shown.size(), std::size_t(1));
    QVERIFY2(asker.texts()[0].contains(QStringLiteral("已损坏")), qPrintable(asker.texts()[0]));
    QCOMPARE(slurp(dat), damaged);
}

// The window on a read-only school: a write command gets the one refusal, the file keeps
// its bytes.
void StartupTest::aReadOnlyWindowRefusesWritesWithOneMessage()
{
    School school{Fixture::Everything};
    school.store.reset();
    const QByteArray before = slurp(school.path);
    store::Store ro(school.path, store::Store::Mode::ReadOnly);
    Window win(ro);
    win.asker.answer(Answer::Yes).answer(Answer::Yes);
    win->action("mniClearMain1")->trigger();
    QCOMPARE(win.asker.texts().last(), QString::fromUtf8(store::kReadOnlyRefusal));
    QCOMPARE(ro.scalar("SELECT count(*) FROM banbd"), 2);
    QCOMPARE(slurp(school.path), before);
}
