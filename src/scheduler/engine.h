// The automatic placement search: slot scoring (`PaiRank`), the special lessons first
// (`PaiTeshu`), the chain search with displacement (`Pai`), the second pass, and the repair
// that places what the passes left. Pure logic: it reads the school, fills its own grids
// and reports progress through a callback; saving is separate (save.h).
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "model/school.h"
#include "scheduler/options.h"
#include "scheduler/polish.h"

namespace tavrin::scheduler {

// A lesson stored for a class this run keeps.
struct KeptLesson {
    int ban = 0;
    int slot = 0;
    int renke = -1;
    int teshu = 0;
};

// A lesson standing on a period marked "一定排" for its subject or teacher earns this much on
// top of its score; a lesson scored at least kImmovableScore is never moved by the search.
inline constexpr int kCertainBonus = 1000;
inline constexpr int kImmovableScore = 900;

// Why the free slots of a class refuse an assignment's next lesson.
enum class Refusal {
    Gudin = 1, SubjectNever, TeacherNever, RoomLimit, TeacherBusy, SubjectPeriodCap, TeacherPeriodCap,
    SubjectDayCap, TeacherDayCap, SubjectPeriodFirst, TeacherPeriodFirst, SubjectDayFirst, TeacherDayFirst,
    Exclusion, CombinedGroup, Double, NoDouble, Align,
};
// The rule's name in the program's words ("教师不排", "连堂要求", ...).
const char* refusalName(Refusal r);

// The stages of a run, as the progress display names them.
enum class Stage { Special, FirstPass, SecondPass, Repair, Polish, Done };
// The stage's name in the program's words ("第一轮排课", "补排", ...).
const char* stageName(Stage s);

struct Progress {
    Stage stage = Stage::Special;
    int percent = 0;   // lessons placed of the lessons to place, 0..100
    int unplaced = 0;  // lessons still to place
};

class Repairer;

class Engine {
public:
    Engine(const model::School& school, const PaiOptions& opts);

    // Run input: the classes kept (not scheduled) and their stored lessons.
    void setKept(const std::vector<std::uint8_t>& banKeep, const std::vector<KeptLesson>& kept);

    void setCancelFlag(const std::atomic<bool>* cancel) { cancel_ = cancel; }
    // Called at every step of the search with the step number; a test may set the cancel flag there.
    void setStepHook(std::function<void(long long)> hook) { stepHook_ = std::move(hook); }
    // Called whenever the percentage, the stage or (in the repair) the count left changes.
    void setProgress(std::function<void(const Progress&)> progress) { progress_ = std::move(progress); }
    // The run ends, with the best timetable found, after this many steps (0: no bound) or
    // at the deadline (none by default). Steps count the chain's calls and the repair's moves.
    void setStepBudget(long long steps) { stepBudget_ = steps; }
    void setDeadline(std::chrono::steady_clock::time_point t) { deadline_ = t; }
    // The random choices of the repair: the same seed, the same timetable.
    void setSeed(std::uint32_t seed) { seed_ = seed; }

    // The whole search: special lessons, the chain from the drawn start r, the second pass,
    // then (when `repair`) the repair on the hard rules alone.
    void run(int startR, bool repair);
    bool cancelled() const { return cancel_ && cancel_->load(); }
    // The step budget or the deadline ended the run before everything stood.
    bool budgetSpent() const { return budgetSpent_; }
    bool timedOut() const { return timedOut_; }

    // The score of assignment R's next lesson at slot J; 0 = refused. `why` receives the
    // first hard rule that refused.
    int PaiRank(int R, int J, bool hebanPass = false, Refusal* why = nullptr);
    // The special lessons first: the periods marked "一定排", then combined lessons and
    // subjects with doubles, one lesson at a time on their best free slot.
    void PaiTeshu();
    // The chain search from R: places R's next lesson and everything after it; -1 when no
    // slot could hold it. Both passes run it.
    int chainFrom(int R) { return Pai(R, -1); }
    // One lesson of R on its best free slot other than `avoid` (0: any), with no chain and
    // no displacement; -1 when none reaches the threshold.
    int placeOnBestSlot(int R, int avoid = 0) { return Pai(R, avoid > 0 ? avoid : kNoSlot); }

    const model::Grids& grids() const { return g_; }
    const std::vector<int>& fails() const { return fails_; }
    int total() const { return total_; }
    int placedCount() const { return placedCount_; }
    long long rankCalls() const { return rankCalls_; }
    long long steps() const { return steps_; }
    // Chains started again after a failed one, over both passes.
    int restarts() const { return restarts_; }
    // Free slots of the assignment's class counted by the hard rule that refuses them; a
    // slot that only a preference refuses is not counted.
    std::map<std::string, int> refusals(int R);
    // Lessons placed by the repair (net), those of them placed on a free slot without moving
    // anything, and the repair's moves.
    int repairedLessons() const { return repaired_; }
    int sweptLessons() const { return swept_; }
    long long repairMoves() const { return repairMoves_; }
    // Lessons placed when the passes ended.
    int placedByPasses() const { return placedByPasses_; }
    // A bound on the restarts of a failed chain per pass (0: none).
    void setRestartBudget(int b) { restartBudget_ = b; }
    // A lower bound than the strength's on the failures of one assignment (0: the strength's).
    void setFailBudget(int b)
    {
        if (b > 0 && b < maxFails_)
            maxFails_ = b;
    }
    // Bounds the steps of the two passes together (0: none); the repair takes over after.
    void setPassStepBudget(long long b) { passStepBudget_ = b; }
    // Lessons proved unplaceable before the run: the repair stops once only that many are out.
    void setLessonsThatCannotStand(int n) { cannotStand_ = n; }

private:
    friend class Repairer;
    friend class Polisher;
    friend struct EngineProbe;  // tests build situations through it

    static constexpr int kNoSlot = 9999;  // `Pai`'s X that excludes no slot

    struct Placed {
        int ban, slot, renke, score;
    };
    // One lesson put on or taken off one slot, with its combined group: enough to undo it exactly.
    struct Record {
        int slot = -1;
        int tea = 0;
        int teaBefore = -1;  // the teacher's row before the change
        std::vector<Placed> items;
    };

    const model::School& sc_;
    const model::SlotTable& sl_;
    int N_, P_, days_;
    int minScore_, maxFails_, align_, teaDay_, noLian_;
    model::Grids g_;
    std::vector<int> fails_;
    std::vector<std::uint8_t> keep_;
    int total_ = 0;
    int placedCount_ = 0;
    int percent_ = -1;
    Stage stage_ = Stage::Special;
    int shownLeft_ = -1;
    long long rankCalls_ = 0;
    long long steps_ = 0;
    int repaired_ = 0;
    int swept_ = 0;
    long long repairMoves_ = 0;
    int placedByPasses_ = 0;
    int restarts_ = 0;
    int restartBudget_ = 0;
    long long stepBudget_ = 0;
    long long passStepBudget_ = 0;
    int cannotStand_ = 0;
    bool inPasses_ = false;
    bool passesStopped_ = false;
    bool budgetSpent_ = false;
    bool timedOut_ = false;
    std::optional<std::chrono::steady_clock::time_point> deadline_;
    std::uint32_t seed_ = 1;
    const std::atomic<bool>* cancel_ = nullptr;
    std::function<void(long long)> stepHook_;
    std::function<void(const Progress&)> progress_;

    // Fixed per school.
    model::Array2<std::uint8_t> gudin_;     // [ban][slot]
    model::Array2<std::uint8_t> pairable_;  // [ban][slot] a neighbour in the section can hold a lesson
    std::vector<std::vector<int>> mates_;   // [r] other members of its combined group
    std::vector<std::vector<int>> peers_;   // [r] same subject, other class of the grade group
    std::vector<std::vector<int>> sameBK_;  // [r] assignments of the same class and subject
    std::vector<int> teaLoad_;              // [tea]
    std::vector<std::uint8_t> ownCond_;     // [r]
    std::vector<std::uint8_t> hasPosJieBK_; // [r] some positive period condition for class/subject
    std::vector<std::uint8_t> hasPosDayBK_;
    std::vector<std::vector<int>> sameKeJi_;  // [r] same subject, a class of the same grade group
    std::vector<int> withOwnCond_;            // assignments with a condition of their own, ascending
    std::vector<int> partner_;                // [tea] the exclusion partner that counts, 0 = none
    // [r] slots where a kept member of r's combined group stands: r's lessons belong there.
    std::vector<std::vector<int>> keptMateSlots_;
    // Assignments that can still continue a chain (lessons left, class scheduled, failures
    // under the bound), as bits, so the chain's next link is found without a scan.
    std::vector<std::uint64_t> eligible_;
    void updateEligible(int r);
    int firstEligible(int except) const;
    std::vector<std::uint8_t> condBK_;      // [r] any condition on its subject (class or whole school)
    std::vector<std::uint8_t> condT_;       // [tea] any condition on the teacher
    std::vector<int> teaAvg_;               // [tea] weekly load over the days, rounded
    std::vector<std::uint8_t> hasPosJieT_;  // [tea] some positive period condition of the teacher
    std::vector<std::uint8_t> hasPosDayT_;

    // Incremental counts, kept in step with the grids.
    model::Array2<int> cntKeSlot_;   // [ke][slot] classes with the subject there
    model::Array3<int> cntBKJie_;    // [ban][ke][period]
    model::Array3<int> cntBKDay_;    // [ban][ke][day]
    model::Array2<int> cntBK_;       // [ban][ke]
    model::Array2<int> cntTJie_;     // [tea][period]
    model::Array2<int> cntTDay_;     // [tea][day]
    model::Array3<int> cntTDaySec_;  // [tea][day][section]
    std::vector<std::vector<int>> slotsOf_;  // [r] sorted slots of its class holding r
    model::Array2<std::int16_t> upTo_;       // [r][slot] lessons of r on slots 1..slot
    std::vector<int> adj_;                   // [r] neighbouring pairs of its lessons
    std::vector<int> singles_;               // [r] single lessons that could still be paired

    int ke(int r) const { return sc_.RenkeKe[r]; }
    int ban(int r) const { return sc_.RenkeBan[r]; }
    int tea(int r) const { return sc_.RenkeTea[r]; }
    int left(int r) const { return sc_.RenkeJieshu[r] - g_.RenkePlaced[r]; }
    // Slots a and a + 1 lie in one section of one day (every caller asks about a slot and the next).
    bool neighbour(int a, int /*next*/) const { return nextSame_[a]; }
    std::vector<std::uint8_t> nextSame_;  // [slot 0..N+1]
    bool sameGroup(int a, int b) const;

    void setB(int b, int s, int r, int score);
    void clearB(int b, int s);
    void setT(int t, int s, int r);
    void clearT(int t, int s);
    void touchPairs(int r, int s, int sign);
    bool isSingle(int r, int s) const;
    // Rule 20: R's next lesson at J keeps step with the fully placed parallel classes.
    bool inStep(int R, int J) const;

    Record placeLesson(int R, int s, int score);
    Record removeLesson(int b, int s);
    void undoPlace(const Record& rec);
    void restore(const Record& rec);

    // The chain step (X = -1) or one lesson on the best free slot but X (no chain).
    int Pai(int R, int X);
    int chooseNext(int R) const;
    bool eligible(int i) const;
    void runPass(int a);
    void progress();
    void setStage(Stage s);
    // Counts a step; true when the run must stop: cancelled, out of budget or past the deadline.
    bool stepAndCheckCancel();
    // The passes stop like a cancel: every call up the chain returns at once.
    bool stopped() const { return cancelled() || (inPasses_ && passesStopped_) || budgetSpent_ || timedOut_; }

    bool movable(int b, int s) const;
    Record lastPlace_;  // what the last one-lesson call of Pai placed

    void repair();
    // The counts equal those recomputed from the grids.
    bool countsConsistent() const;
};

// With the repair behind it, the search gives up on an assignment after this many failures
// instead of 1000 or 3000: on the generated schools every run still places every lesson
// and forms every double, and the recommended strength runs several times faster, because
// an assignment caught in a double-period dead end no longer fails thousands of times.
inline constexpr int kRepairFailBudget = 1;

// The outer bound of a run's wall time; the step budget is the bound tests and replays use.
inline constexpr double kDefaultTimeLimit = 30.0;

struct RunRequest {
    std::vector<int> classes;  // class IDs to schedule; empty = every class
    PaiOptions opts;
    std::optional<std::uint32_t> seed;  // default: from the clock
    std::optional<int> start;           // the drawn start index r itself
    bool repair = true;
    int restartBudget = 0;
    // Failures after which an assignment is given up: -1 = kRepairFailBudget when the repair
    // runs, else the strength's bound; 0 = the strength's bound; n > 0 = n.
    int failBudget = -1;
    // Steps after which the run ends with the best timetable found (0: no bound).
    long long stepBudget = 0;
    // Steps of the two passes before the repair takes over: -1 = passStepsFor(lessons), 0 = none.
    long long passStepBudget = -1;
    // Seconds after which the run ends with the best timetable found (0: no bound).
    double timeLimit = kDefaultTimeLimit;
    // The polishing pass after the search (polish.h); off, the run's timetable is the search's own.
    bool polish = false;
    long long polishBudget = -1;  // its steps: -1 = polishStepsFor(lessons), 0 = until no move helps
    const std::atomic<bool>* cancel = nullptr;
    std::function<void(const Progress&)> progress;
    std::function<void(long long)> stepHook;
};

// The passes' share of the steps on a school of `lessons` lessons, with the repair behind them.
long long passStepsFor(int lessons);

// A cause, found before the search, why the school cannot hold its lessons (proof.h).
struct Obstacle {
    enum class Kind {
        ClassWeek,        // a class with more weekly lessons than free slots
        TeacherWeek,      // a teacher with more lessons than slots left to teach in
        CombinedGroup,    // a combined lesson whose classes share too few free slots
        Doubles,          // wanted doubles that no section can hold
        ClassLessons,     // some lessons of a class share too few slots between them
        TeacherLessons,   // some lessons of a teacher share too few slots between them
    };
    Kind kind = Kind::ClassWeek;
    std::string text;
    // Lessons of the class (ClassWeek, ClassLessons) that cannot stand, at least; doubles
    // that cannot form (Doubles); lessons of the teacher or group that cannot stand.
    int shortBy = 0;
    int ban = 0, tea = 0;
    // Lessons of classes that cannot stand because of it, at least (0 for doubles).
    int lessonsShort = 0;
};

struct Unplaced {
    int renke = -1;
    int ban = 0, tea = 0, ke = 0;
    int count = 0;  // lessons left (negative: placed beyond the weekly count)
    std::map<std::string, int> refusedBy;
};

struct RunResult {
    bool cancelled = false;
    bool budgetSpent = false;  // the step budget ended the run
    bool timedOut = false;     // the wall-clock bound ended the run
    int total = 0;
    int placed = 0;
    int placedByPasses = 0;
    std::uint32_t seed = 0;
    int startR = -1;
    long long rankCalls = 0;
    long long steps = 0;
    long long repairMoves = 0;
    int restarts = 0;
    int swept = 0, repaired = 0;
    double seconds = 0;
    model::Grids grids;
    std::vector<std::uint8_t> banKeep;
    // The polish, when the run asked for it: the figures before and after, its moves and time.
    bool polished = false;
    PolishResult polish;  // its grids are left empty: `grids` holds the timetable
    std::vector<Obstacle> obstacles;  // found before the search
    std::vector<Unplaced> unplaced;
};

// `PrepareRun` from the school and the stored timetable: kept classes and their lessons.
std::vector<std::uint8_t> keepFromChoice(const model::School& s, const std::vector<int>& classes);
std::vector<KeptLesson> loadKeptLessons(store::Store& st, const model::School& s,
                                        const std::vector<std::uint8_t>& keep);

// Prepares and runs the search exactly as the start command does; writes nothing.
RunResult runSchedule(store::Store& st, const model::School& school, const RunRequest& req);

// Runs `f` on a thread whose stack is large enough for the deepest chain. Throws, without
// running `f`, when no such thread can be had.
inline constexpr std::size_t kSearchStackBytes = std::size_t(1) << 30;
void runWithLargeStack(const std::function<void()>& f, std::size_t stackBytes = kSearchStackBytes);

}  // namespace tavrin::scheduler
