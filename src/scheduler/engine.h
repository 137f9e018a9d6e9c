// The automatic placement search: slot scoring (`PaiRank`), the special lessons first
// (`PaiTeshu`), the chain search with displacement (`Pai`), the second pass, and the repair
// that places what the passes left. Pure logic: it reads the school, fills its own grids
// and reports progress through a callback; saving is separate (save.h).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "model/school.h"
#include "scheduler/options.h"

namespace tavrin::scheduler {

// A lesson stored for a class this run keeps.
struct KeptLesson {
    int ban = 0;
    int slot = 0;
    int renke = -1;
    int teshu = 0;
};

// Why the free slots of a class refuse an assignment's next lesson.
enum class Refusal {
    Gudin = 1, SubjectNever, TeacherNever, RoomLimit, TeacherBusy, SubjectPeriodCap, TeacherPeriodCap,
    SubjectDayCap, TeacherDayCap, SubjectPeriodFirst, TeacherPeriodFirst, SubjectDayFirst, TeacherDayFirst,
    Exclusion, CombinedGroup, Double, NoDouble, Align,
};
// The rule's name in the program's words ("教师不排", "连堂要求", ...).
const char* refusalName(Refusal r);

class Engine {
public:
    Engine(const model::School& school, const PaiOptions& opts);

    // Run input: the classes kept (not scheduled) and their stored lessons.
    void setKept(const std::vector<std::uint8_t>& banKeep, const std::vector<KeptLesson>& kept);

    // Test and replay hooks.
    void setCancelFlag(const std::atomic<bool>* cancel) { cancel_ = cancel; }
    // Called at every step of the search with the step number; a test may set the cancel flag there.
    void setStepHook(std::function<void(long long)> hook) { stepHook_ = std::move(hook); }
    void setProgress(std::function<void(int)> progress) { progress_ = std::move(progress); }

    // The whole search: special lessons, the chain from the drawn start r, the second pass,
    // then (when `repair`) the last sweep and the repair.
    void run(int startR, bool repair);
    bool cancelled() const { return cancel_ && cancel_->load(); }

    // --- The pieces, public for tests.
    // The score of assignment R's next lesson at slot J; 0 = refused. `why` receives the
    // first hard rule that refused.
    int PaiRank(int R, int J, bool hebanPass = false, Refusal* why = nullptr);
    void PaiTeshu();
    int Pai(int R, int X);
    // Places R (with its combined group) at s / takes the lesson at (ban, s) off with its
    // group. Keep the counts in step; used by tests to build situations.
    void placeForTest(int R, int s, int score) { placeLesson(R, s, score); }
    void removeForTest(int ban, int s) { removeLesson(ban, s); }
    void setMinScore(int m) { minScore_ = m; }
    // The repair alone, at threshold 1, on the grids as they stand.
    void runRepair();
    int minScore() const { return minScore_; }

    const model::Grids& grids() const { return g_; }
    const std::vector<int>& fails() const { return fails_; }
    int total() const { return total_; }
    int placedCount() const { return placedCount_; }
    long long rankCalls() const { return rankCalls_; }
    long long steps() const { return steps_; }
    // Chains started again after a failed one, over both passes.
    int restarts() const { return restarts_; }
    // Free slots of the assignment's class counted by the rule that refuses them.
    std::map<std::string, int> refusals(int R);
    // For tests: the counts equal those recomputed from the grids.
    bool countsConsistent() const;

    // Lessons placed by the last sweep and by the repair.
    int sweptLessons() const { return swept_; }
    int repairedLessons() const { return repaired_; }
    // A bound on the restarts of a failed chain per pass (0: none).
    void setRestartBudget(int b) { restartBudget_ = b; }
    // A lower bound than the strength's on the failures of one assignment (0: the strength's).
    void setFailBudget(int b)
    {
        if (b > 0 && b < maxFails_)
            maxFails_ = b;
    }

private:
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
    static constexpr int kRepairBudget = 4000;

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
    long long rankCalls_ = 0;
    long long steps_ = 0;
    int swept_ = 0, repaired_ = 0;
    int restarts_ = 0;
    int restartBudget_ = 0;
    const std::atomic<bool>* cancel_ = nullptr;
    std::function<void(long long)> stepHook_;
    std::function<void(int)> progress_;

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

    void setB(int b, int s, int r, int score);
    void clearB(int b, int s);
    void setT(int t, int s, int r);
    void clearT(int t, int s);
    void touchPairs(int r, int s, int sign);
    bool isSingle(int r, int s) const;

    Record placeLesson(int R, int s, int score);
    Record removeLesson(int b, int s);
    void undoPlace(const Record& rec);
    void restore(const Record& rec);

    int chooseNext(int R) const;
    bool eligible(int i) const;
    void runPass(int a);
    void progress();
    bool stepAndCheckCancel();

    bool movable(int b, int s) const;
    Record lastPlace_;  // what the last one-lesson call of Pai placed

    void sweep();
    void repair();
    bool makeRoom(int R, int s, int depth);
    bool placeBestFree(int R, int depth, int avoid = -1);
    bool retryFromSingle(int R);
    void rollback(std::size_t mark);
    std::vector<std::pair<bool, Record>> journal_;  // repair moves: true = placed, false = taken off
    int repairBudget_ = 0;
};

// With the repair behind it, the search gives up on an assignment after this many failures
// instead of 1000 or 3000: on the generated schools every run still places every lesson
// and forms every double, and the recommended strength runs several times faster, because
// an assignment caught in a double-period dead end no longer fails thousands of times.
inline constexpr int kRepairFailBudget = 300;

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
    const std::atomic<bool>* cancel = nullptr;
    std::function<void(int)> progress;
    std::function<void(long long)> stepHook;
};

struct Unplaced {
    int renke = -1;
    int ban = 0, tea = 0, ke = 0;
    int count = 0;  // lessons left (negative: placed beyond the weekly count)
    std::map<std::string, int> refusedBy;
};

struct RunResult {
    bool cancelled = false;
    int total = 0;
    int placed = 0;
    std::uint32_t seed = 0;
    int startR = -1;
    long long rankCalls = 0;
    long long steps = 0;
    int restarts = 0;
    int swept = 0, repaired = 0;
    double seconds = 0;
    model::Grids grids;
    std::vector<std::uint8_t> banKeep;
    std::vector<Unplaced> unplaced;
};

// `PrepareRun` from the school and the stored timetable: kept classes and their lessons.
std::vector<std::uint8_t> keepFromChoice(const model::School& s, const std::vector<int>& classes);
std::vector<KeptLesson> loadKeptLessons(store::Store& st, const model::School& s,
                                        const std::vector<std::uint8_t>& keep);

// Prepares and runs the search exactly as the start command does; writes nothing.
RunResult runSchedule(store::Store& st, const model::School& school, const RunRequest& req);

// Runs `f` on a thread whose stack is large enough for the deepest chain.
void runWithLargeStack(const std::function<void()>& f);

}  // namespace tavrin::scheduler
