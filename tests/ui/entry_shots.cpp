// entry_shots OUTDIR WIDTHxHEIGHT: pictures of steps 1 and 2 on a school it builds itself, the
// window at that size (run under xvfb-run, not a test):
//   step1-groups-WxH.png  three grade groups of four classes, the group editor open;
//   step2-week-WxH.png    the week at the root scope with all three sections, a
//                         "各班不一样" cell and public-slot bands;
//   step2-times-WxH.png, step2-public-WxH.png  the period-time and public-slot dialogs.
// entry_shots --measure: a redraw of the week at the root scope of 120 classes.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

#include "entry/ui/banpage.h"
#include "entry/ui/weekdialogs.h"
#include "entry/ui/weekpage.h"
#include "main/form1.h"
#include "support/shots.h"
#include "store/store.h"
#include "ui/fonts.h"
#include "ui/style.h"
#include "ui/kbgrid.h"
#include "ui/widget_asker.h"
#include "users/users.h"

using namespace tavrin;

namespace {

using testing::settle;
using testing::saveShot;

// Three grade groups of four classes (or `perGroup`), Monday to Friday with 4 + 4 + 2
// periods, times, two public slots, fixed lessons that differ inside 初二.
void fillSchool(store::Store& s, int groups, int perGroup)
{
    const char* names[] = {"初一", "初二", "初三", "高一", "高二", "高三"};
    s.transaction([&] {
        s.run("INSERT INTO setting(setName, setVar) VALUES('学校名称', '实验中学')");
        int ban = 0;
        for (int g = 0; g < groups; ++g) {
            s.run("INSERT INTO jibd VALUES(?1, ?2)", g + 1, names[g % 6]);
            for (int c = 1; c <= perGroup; ++c)
                s.run("INSERT INTO banbd VALUES(?1, ?2, ?3, 0)", ++ban,
                      std::string(names[g % 6]) + "(" + std::to_string(c) + ")班", g + 1);
        }
        const char* days[] = {"", "星期一", "星期二", "星期三", "星期四", "星期五"};
        for (int w = 1; w <= 5; ++w)
            s.run("INSERT INTO daybd VALUES(?1, ?2)", w, days[w]);
        s.run("INSERT INTO jieshu VALUES(4, 4, 2)");
        const char* times[] = {"", "7:50～8:35", "8:45～9:30", "9:55～10:40", "10:50～11:35",
                               "14:00～14:45", "14:55～15:40", "15:50～16:35", "16:45～17:30"};
        for (int j = 1; j <= 8; ++j)
            s.run("INSERT INTO timebd VALUES(?1, ?2)", j, times[j]);
        s.run("INSERT INTO publictimebd VALUES(0, '早读')");
        s.run("INSERT INTO publictimebd VALUES(2, '课间操')");
        int n = 0;
        for (int b = 1; b <= ban; ++b) {
            s.run("INSERT INTO gudinbd VALUES(?1, '班会', 5, 8, ?2)", ++n, b);
            s.run("INSERT INTO gudinbd VALUES(?1, '晚自习', 1, 9, ?2)", ++n, b);
        }
        // 初二's first class has 劳动 on Wednesday afternoon, the others do not.
        s.run("INSERT INTO gudinbd VALUES(?1, '劳动', 3, 7, ?2)", ++n, perGroup + 1);
        s.run("INSERT INTO gudinbd VALUES(?1, '无课', 2, 10, ?2)", ++n, 1);
    });
}

int measure()
{
    QTemporaryDir dir;
    const auto path = std::filesystem::path(dir.path().toStdString()) / "db.dat";
    users::initDatabase(path);
    store::Store store(path);
    fillSchool(store, 6, 20);
    ui::QuietAsker quiet;
    mainwin::TForm1::Options options;
    options.asker = &quiet;
    mainwin::TForm1 w(store, options);
    users::autoLogin(users::loadUsers(store), w.session());
    w.resize(1920, 1080);
    w.show();
    w.openStep(2);
    auto* page = dynamic_cast<entry::ui::WeekPage*>(w.page(2));
    if (!page)
        return 1;
    settle();
    QPixmap target(page->grid()->size());
    const int rounds = 100;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < rounds; ++i) {
        page->grid()->refresh();
        page->grid()->render(&target);
    }
    std::printf("week grid at the root scope, %d classes, %d cells: %.3f ms a redraw\n",
                static_cast<int>(page->draft().classes.size()), page->grid()->slotCount(),
                double(t.nsecsElapsed()) / 1e6 / rounds);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ui::useChineseFont(app);
    ui::useKitStyle(app);
    if (argc == 2 && QString::fromLocal8Bit(argv[1]) == QStringLiteral("--measure"))
        return measure();
    if (argc < 3) {
        std::fprintf(stderr, "entry_shots OUTDIR WIDTHxHEIGHT | entry_shots --measure\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const QString size = QString::fromLocal8Bit(argv[2]);
    const QStringList wh = size.split('x');
    if (wh.size() != 2)
        return 2;
    QTemporaryDir dir;
    const auto path = std::filesystem::path(dir.path().toStdString()) / "db.dat";
    users::initDatabase(path);
    store::Store store(path);
    fillSchool(store, 3, 4);

    ui::QuietAsker quiet;
    mainwin::TForm1::Options options;
    options.asker = &quiet;
    mainwin::TForm1 w(store, options);
    users::autoLogin(users::loadUsers(store), w.session());
    w.setUserLabel(QString::fromUtf8(users::kDefaultUser) + QStringLiteral("（操作员）"));
    w.resize(wh[0].toInt(), wh[1].toInt());
    w.show();
    bool ok = true;

    w.openStep(1);
    auto* ban = dynamic_cast<entry::ui::BanPage*>(w.page(1));
    if (!ban)
        return 1;
    settle();
    ban->lvBanji()->openHeader(1);
    ban->lvBanji()->editor()->setText(QStringLiteral("八年级"));
    ok = saveShot(w, out.filePath(QStringLiteral("step1-groups-%1.png").arg(size))) && ok;
    ban->lvBanji()->commitEditor();
    w.setDataChanged(false);

    w.openStep(2);
    auto* week = dynamic_cast<entry::ui::WeekPage*>(w.page(2));
    if (!week)
        return 1;
    ok = saveShot(w, out.filePath(QStringLiteral("step2-week-%1.png").arg(size))) && ok;

    week->setDialogRunner([&](QDialog& d) {
        d.show();
        settle();
        if (auto* t = dynamic_cast<entry::ui::TaddTime*>(&d)) {
            t->mmo1()->moveCursor(QTextCursor::Down);
            t->mmo1()->moveCursor(QTextCursor::Down);
            t->showLine();
            ok = saveShot(d, out.filePath(QStringLiteral("step2-times-%1.png").arg(size))) && ok;
        } else if (auto* p = dynamic_cast<entry::ui::TaddPublicTime*>(&d)) {
            p->edt1()->setValue(4);
            p->edt2()->setText(QStringLiteral("眼保健操"));
            ok = saveShot(d, out.filePath(QStringLiteral("step2-public-%1.png").arg(size))) && ok;
        }
        d.reject();
    });
    week->openTimes();
    week->openPublicTime(2);
    return ok ? 0 : 1;
}
