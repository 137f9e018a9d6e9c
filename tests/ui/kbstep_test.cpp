// The timetable step's adapter: every change the document tells reaches each page that
// listens, and a page that is gone is no longer told.
#include <QtTest>

#include <memory>
#include <vector>

#include "ui/kbstep.h"

using namespace tavrin;
using timetable::KbChange;

class KbStepTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void signalsReachEveryPageThatListens();
};

void KbStepTest::signalsReachEveryPageThatListens()
{
    ui::KbStep step;
    // Two stand-ins for pages 6 and 7, each with its own record of what it heard.
    auto page6 = std::make_unique<QObject>();
    auto page7 = std::make_unique<QObject>();
    std::vector<KbChange::Kind> heard6, heard7;
    QObject::connect(&step, &ui::KbStep::changed, page6.get(), [&](const KbChange& c) { heard6.push_back(c.kind); });
    QObject::connect(&step, &ui::KbStep::changed, page7.get(), [&](const KbChange& c) { heard7.push_back(c.kind); });

    model::School school;
    school.theDay = 1;
    school.mor = 2;
    school.slots.build(school.week());
    school.MaxBanID = 1;
    school.BanLocked.assign(2, 0);
    school.TeaLocked.assign(1, 0);
    model::Grids grids;
    grids.reset(school);
    step.document().start(school, grids);
    step.document().setBanLocked(1, true);
    const std::vector<KbChange::Kind> both{KbChange::Kind::Loaded, KbChange::Kind::Lock};
    QCOMPARE(heard6, both);
    QCOMPARE(heard7, both);

    page7.reset();  // the page goes: the adapter's connection goes with it
    step.document().free();
    QCOMPARE(heard6.size(), std::size_t(3));
    QCOMPARE(heard6.back(), KbChange::Kind::Freed);
    QCOMPARE(heard7.size(), std::size_t(2));
}

QTEST_MAIN(KbStepTest)
#include "kbstep_test.moc"
