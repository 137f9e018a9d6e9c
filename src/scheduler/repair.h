// The repair after the two passes: places what they left on the hard rules alone, moving
// other lessons out of the way. Internal to the engine.
//
// The week is cut into units: one lesson of one assignment, a wanted double (two
// neighbouring periods of one section) or a combined lesson (every class of its group at
// once, one teacher), each moved whole. The timetable stays legal at every moment; a unit
// still to place goes to the slot where it displaces the fewest lessons, the displaced
// units wait in turn, and a displaced unit may not return to the slot it left for a while
// (a tabu list, so that two units do not chase each other). Preferences never refuse a
// slot here; they only break ties. The best timetable met is the one kept.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "scheduler/engine.h"

namespace tavrin::scheduler {

class Repairer {
public:
    Repairer(Engine& e, std::uint32_t seed);
    // Runs until nothing is left, the engine says stop, or no better timetable turned up
    // for long; ends on the best timetable met.
    void run();

    // A cell held by a lesson the repair never moves (kept class, "一定排" score).
    static constexpr int kFixed = -2;

private:
    struct Unit {
        int lead = -1;  // the member that names the unit in the teacher's row
        int tea = 0;
        int len = 1;    // 1 single lesson, 2 double
        int weight = 1; // lessons it holds: members x len
        int bumps = 0;  // times it was moved out of the way
        std::vector<int> members;  // assignments, one per class
        std::vector<int> allowed;  // sorted start slots it is confined to; empty: any
        std::vector<int> starts;   // start slots no fixed lesson or rule ever forbids
        bool startsKnown = false;
        int slot = -1;             // start slot, -1 while it waits
        int score = 1;             // what its lessons are written with
        bool dead = false;         // a double given up and split into two singles
    };
    struct Move {
        int unit = -1, slot = -1;
        long long delta = 0;
        int soft = 0;
        std::uint32_t tie = 0;
        std::vector<int> ejects;
    };

    Engine& e_;
    const model::School& sc_;
    std::mt19937 rng_;
    int N_;
    std::vector<Unit> units_;
    model::Array2<int> cell_;     // [ban][slot] unit, -1 free, kFixed
    model::Array2<int> teaCell_;  // [tea][slot] unit, -1 free, kFixed
    std::vector<int> waiting_;    // units still to place
    std::vector<int> waitPos_;    // [unit] index in waiting_, -1
    std::vector<int> hopeless_;   // units no slot can ever hold
    long long waitingWeight_ = 0;
    std::vector<int> tabu_;       // [unit * (N + 2) + slot] iteration until which it may not return
    std::vector<std::uint32_t> mark_;
    std::uint32_t stamp_ = 0;
    std::vector<int> ejects_;
    bool anyCaps_ = false;
    long long iter_ = 0;

    std::vector<std::pair<int, int>> best_;  // [unit] (slot, score) of the best timetable met
    long long bestWeight_ = 0;

    long long dyn(int u) const;
    void build();
    void addUnit(Unit u);
    const std::vector<int>& starts(int u);
    bool staticOk(const Unit& u, int s) const;
    // Can u start at s, and which units must make room: into ejects_, their lessons into cost.
    bool evaluate(int u, int s, long long& cost, int& soft);
    void place(int u, int s);
    void lift(int u);
    void wait(int u);
    void unwait(int u);
    void split(int u);
    void snapshot();
    void restoreBest();
    int& tabu(int u, int s) { return tabu_[static_cast<std::size_t>(u) * (N_ + 2) + s]; }
    bool spans(int u, int x) const { return units_[u].slot >= 0 && x >= units_[u].slot && x < units_[u].slot + units_[u].len; }
};

}  // namespace tavrin::scheduler
