// Finding and checking the school file at start.
#include <QFile>

#include <sqlite3.h>

#include "store/dbfile.h"
#include "main/startup.h"
#include "ui_tests.h"
#include "users/users.h"

using namespace tavrin;
using namespace tavrin::testing;
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
        QVERIFY(store::checkSchoolFile(expected).empty());
        QVERIFY(!fs::exists(dir / "db_temp.dat"));
    } else {
        // A refused file is named in the message and left exactly as it was.
        QVERIFY(asker.texts()[0].contains(QString::fromStdString(expected.string())));
        QCOMPARE(slurp(expected), before);
    }
    if (prep == SchoolWkt)
        QVERIFY(!fs::exists(dir / "db.wkt"));
}
