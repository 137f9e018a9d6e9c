// pai_shots DB OUTDIR [SUFFIX]: pictures of the scheduling page on a school file, for the docs.
//
// Opens step 5 as the program does after an automatic login and saves
//   schedule-page.png       the page as it opens,
//   schedule-condition.png  the condition dialog with an object chosen,
//   schedule-picker.png     the object picker it opens,
//   schedule-progress.png   the window while a run is under way,
//   schedule-result.png     the result dialog of that run;
// then starts a second run, cancels it with the start button once the bar moves, and
// prints how long the cancel took and the longest pause of the window's event loop during
// the first run. The file is changed as a run on the page would change it.
// With SUFFIX, only the page and the result dialog, as schedule-page SUFFIX .png and
// schedule-result SUFFIX .png (a school that cannot be filled shows its proofs on both).
// pai_shots DB OUTDIR --polish WxH: on a file with a stored timetable, the window at that size
// and "优化课表" pressed: schedule-polish-page-WxH.png (the window) and schedule-polish-WxH.png
// (the result dialog with the figures before and after). The file is polished as the page would.
#include "model/loaders.h"
#include "model/school.h"
#include "scheduler/conditions.h"
#include "scheduler/engine.h"
#include "scheduler/options.h"
#include "scheduler/proof.h"
#include "scheduler/save.h"
#include "store/store.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QComboBox>
#include <QtTest>

#include <cstdio>

#include "main/form1.h"
#include "scheduler/ui/frmpaiend.h"
#include "scheduler/ui/frmpaiopt.h"
#include "scheduler/ui/paipage.h"
#include "ui/fonts.h"
#include "ui/style.h"
#include "ui/widget_asker.h"
#include "users/users.h"

using namespace tavrin;
using scheduler::ui::PaiPage;
using scheduler::ui::TfrmPaiend;
using scheduler::ui::TfrmPaiOpt;
using scheduler::ui::TfrmSelObj;

namespace {

void settle()
{
    for (int i = 0; i < 3; ++i) {
        QEventLoop loop;
        QTimer::singleShot(30, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

bool save(QWidget* w, const QString& file)
{
    settle();
    if (!w->grab().save(file, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return false;
    }
    std::printf("%s\n", qPrintable(file));
    return true;
}

void pressRow(QTreeWidget* lv, int row)
{
    const QRect r = lv->visualItemRect(lv->topLevelItem(row));
    QTest::mouseClick(lv->viewport(), Qt::LeftButton, {}, QPoint(60, r.center().y()));
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ui::useChineseFont(app);
    ui::useKitStyle(app);
    const bool polish = argc == 5 && QString::fromLocal8Bit(argv[3]) == QStringLiteral("--polish");
    if (argc != 3 && argc != 4 && !polish) {
        std::fprintf(stderr, "usage: pai_shots DB OUTDIR [SUFFIX | --polish WxH]\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[2]));
    const QString size = polish ? QString::fromLocal8Bit(argv[4]) : QString();
    const QString suffix = polish ? "-" + size : argc == 4 ? QString::fromLocal8Bit(argv[3]) : QString();
    store::Store st(argv[1]);
    ui::QuietAsker quiet;
    mainwin::TForm1::Options o;
    o.asker = &quiet;
    mainwin::TForm1 w(st, o);
    auto rows = users::loadUsers(st);
    users::autoLogin(rows, w.session());
    w.setUserLabel(QString::fromUtf8(users::kDefaultUser) + QStringLiteral("（操作员）"));
    QCursor::setPos(0, 0);
    if (polish)
        w.resize(size.section(QLatin1Char('x'), 0, 0).toInt(), size.section(QLatin1Char('x'), 1, 1).toInt());
    w.show();
    w.openStep(5);
    auto* page = qobject_cast<PaiPage*>(w.page(5));
    if (!page || w.currentIndex() != 5) {
        std::fprintf(stderr, "step 5 does not open on this file\n");
        return 1;
    }
    if (polish) {
        bool finished = false, ok = true;
        page->setSeed(1);
        page->setDialogRunner([&](QDialog& d) {
            if (auto* end = qobject_cast<TfrmPaiend*>(&d)) {
                ok = save(&w, out.filePath("schedule-polish-page" + suffix + ".png")) && ok;
                end->show();
                ok = save(end, out.filePath("schedule-polish" + suffix + ".png")) && ok;
                end->btnClose()->click();
                finished = true;
            }
        });
        QObject::connect(page, &PaiPage::polishEnded, [&](bool cancelled) {
            // No dialog follows a failed polish or one where nothing can move.
            const QStringList& r = page->lastReport();
            if (cancelled || r.isEmpty() || r.first() == QString::fromUtf8(scheduler::kNothingToPolish)) {
                std::fprintf(stderr, "the polish showed no result\n");
                ok = false;
                finished = true;
            }
        });
        page->btnPolish()->click();
        while (!finished)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
        return ok ? 0 : 1;
    }
    bool ok = save(&w, out.filePath("schedule-page" + suffix + ".png"));
    if (!suffix.isEmpty()) {
        bool finished = false;
        page->setSeed(1);
        page->setDialogRunner([&](QDialog& d) {
            if (auto* end = qobject_cast<TfrmPaiend*>(&d)) {
                end->show();
                ok = save(end, out.filePath("schedule-result" + suffix + ".png")) && ok;
                end->btnClose()->click();
                finished = true;
            }
        });
        page->btnStart()->click();
        while (!finished)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
        return ok ? 0 : 1;
    }

    // The condition dialog, with the first two subjects of the whole school chosen.
    page->setDialogRunner([&](QDialog& d) {
        if (auto* opt = qobject_cast<TfrmPaiOpt*>(&d)) {
            opt->setPickerRunner([&](QDialog& p) {
                if (auto* obj = qobject_cast<TfrmSelObj*>(&p)) {
                    obj->pgc()->setCurrentIndex(0);
                    obj->show();
                    pressRow(obj->lvSelBan(), 0);
                    pressRow(obj->lvSelBan(), 0);
                    pressRow(obj->lvSelBan(), 1);
                    pressRow(obj->lvSelBan(), 2);
                    pressRow(obj->lvSelKe(), 0);
                    pressRow(obj->lvSelKe(), 1);
                    ok = save(obj, out.filePath("schedule-picker.png")) && ok;
                    obj->btnOk()->click();
                }
            });
            opt->pgc()->setCurrentIndex(0);
            opt->show();
            settle();
            opt->pickObject();
            opt->cbbA3()->setCurrentIndex(1);
            ok = save(opt, out.filePath("schedule-condition.png")) && ok;
            opt->btnCancel()->click();
        }
    });
    page->btnAddOptClick();

    // A run: the window while the bar moves, then the result dialog.
    bool progressShot = false, done = false;
    qint64 longestPause = 0;
    QElapsedTimer sinceTick;
    QTimer ticker;
    ticker.setInterval(20);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (sinceTick.isValid())
            longestPause = std::max(longestPause, sinceTick.elapsed());
        sinceTick.restart();
        if (!progressShot && page->btnStart()->text() == QStringLiteral("取消") && page->paiPercent() >= 35) {
            progressShot = true;
            ok = save(&w, out.filePath("schedule-progress.png")) && ok;
            sinceTick.restart();
        }
    });
    page->setSeed(1);
    page->setDialogRunner([&](QDialog& d) {
        if (auto* end = qobject_cast<TfrmPaiend*>(&d)) {
            ticker.stop();
            end->show();
            ok = save(end, out.filePath("schedule-result.png")) && ok;
            end->btnClose()->click();
            done = true;
        }
    });
    QElapsedTimer runTime;
    runTime.start();
    ticker.start();
    page->btnStart()->click();
    while (!done)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    std::printf("run: %.1f s, longest pause of the event loop: %lld ms\n", runTime.elapsed() / 1000.0,
                static_cast<long long>(longestPause));

    // A second run, cancelled with the button once the bar has moved.
    bool ended = false;
    qint64 cancelMs = -1;
    QElapsedTimer sinceCancel;
    page->setDialogRunner([&](QDialog& d) {
        if (auto* end = qobject_cast<TfrmPaiend*>(&d))
            end->btnClose()->click();
    });
    QObject::connect(page, &PaiPage::runEnded, [&](bool) {
        if (sinceCancel.isValid())
            cancelMs = sinceCancel.elapsed();
        ended = true;
    });
    QTimer watch;
    watch.setInterval(10);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!sinceCancel.isValid() && page->btnStart()->text() == QStringLiteral("取消") && page->paiPercent() >= 10) {
            sinceCancel.start();
            page->btnStart()->click();
        }
    });
    watch.start();
    page->btnStart()->click();
    while (!ended)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    std::printf("cancel took effect after %lld ms\n", static_cast<long long>(cancelMs));
    return ok ? 0 : 1;
}
