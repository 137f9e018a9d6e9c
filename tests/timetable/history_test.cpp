// The ring of visited timetables: back, forward, repeated visits and a full ring.
#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "timetable/history.h"

namespace tavrin::timetable {
namespace {

// Steps as text: a letter visits a timetable (A = class 1, B = class 2, ...; lower case
// letters are teachers), '<' goes back, '>' forward.
int code(char c)
{
    return c >= 'a' ? teaPage(c - 'a' + 1) : banPage(c - 'A' + 1);
}

void play(KbHistory& h, const std::string& steps)
{
    for (char c : steps) {
        if (c == '<')
            h.back();
        else if (c == '>')
            h.forward();
        else if (c != ' ')
            h.add(code(c));
    }
}

// The pages reached by pressing back (or forward) as long as it is allowed.
std::vector<int> trail(KbHistory h, bool forward)
{
    std::vector<int> out;
    while (forward ? h.canForward() : h.canBack()) {
        out.push_back(forward ? h.forward() : h.back());
        if (out.size() > 200)
            break;
    }
    return out;
}

std::vector<int> codes(const std::string& letters)
{
    std::vector<int> out;
    for (char c : letters)
        out.push_back(code(c));
    return out;
}

struct HistoryCase {
    const char* name;
    const char* steps;
    char current;
    const char* backTrail;
    const char* forwardTrail;
};

void PrintTo(const HistoryCase& c, std::ostream* os)
{
    *os << c.name;
}

class History : public ::testing::TestWithParam<HistoryCase> {};

TEST_P(History, Walk)
{
    const HistoryCase& c = GetParam();
    KbHistory h;
    play(h, c.steps);
    EXPECT_EQ(h.current(), code(c.current));
    EXPECT_EQ(trail(h, false), codes(c.backTrail));
    EXPECT_EQ(trail(h, true), codes(c.forwardTrail));
    EXPECT_EQ(h.canBack(), std::string(c.backTrail).size() > 0);
    EXPECT_EQ(h.canForward(), std::string(c.forwardTrail).size() > 0);
}

INSTANTIATE_TEST_SUITE_P(
    Table, History,
    ::testing::Values(HistoryCase{"first_visit", "A", 'A', "", ""},
                      HistoryCase{"same_page_twice_is_one_entry", "AA", 'A', "", ""},
                      HistoryCase{"two_pages", "AB", 'B', "A", ""},
                      HistoryCase{"class_and_teacher_pages", "AaB", 'B', "aA", ""},
                      HistoryCase{"back", "AB<", 'A', "", "B"},
                      HistoryCase{"back_and_forward", "ABC<<>", 'B', "A", "C"},
                      HistoryCase{"same_page_after_back_adds_nothing", "AB<A", 'A', "", "B"},
                      // The entries ahead are not cleared: forward still reaches C.
                      HistoryCase{"back_then_new_page", "ABC<<D", 'D', "A", "C"},
                      HistoryCase{"back_then_visit_the_next_page_again", "AB<B", 'B', "A", ""}),
    [](const auto& info) { return info.param.name; });

TEST(History, AFullRingKeepsEveryVisit)
{
    // 101 timetables fill the 101 entries: back reaches the very first.
    KbHistory h;
    for (int i = 1; i <= 101; ++i)
        EXPECT_TRUE(h.add(banPage(i)));
    std::vector<int> back = trail(h, false);
    ASSERT_EQ(back.size(), 100u);
    EXPECT_EQ(back.front(), banPage(100));
    EXPECT_EQ(back.back(), banPage(1));
}

TEST(History, TheNextVisitOverwritesTheOldest)
{
    KbHistory h;
    for (int i = 1; i <= 102; ++i)
        h.add(banPage(i));
    std::vector<int> back = trail(h, false);
    ASSERT_EQ(back.size(), 100u);
    EXPECT_EQ(back.back(), banPage(2));
    // From the oldest, forward leads up to the newest again.
    KbHistory atOldest = h;
    for (std::size_t i = 0; i < back.size(); ++i)
        atOldest.back();
    std::vector<int> fwd = trail(atOldest, true);
    ASSERT_EQ(fwd.size(), 100u);
    EXPECT_EQ(fwd.front(), banPage(3));
    EXPECT_EQ(fwd.back(), banPage(102));
}

TEST(History, ClearForgetsEverything)
{
    KbHistory h;
    play(h, "ABC<");
    h.clear();
    EXPECT_EQ(h.current(), 0);
    EXPECT_FALSE(h.canBack());
    EXPECT_FALSE(h.canForward());
    EXPECT_TRUE(h.add(code('B')));
    EXPECT_FALSE(h.canBack());
    EXPECT_FALSE(h.canForward());
}

}  // namespace
}  // namespace tavrin::timetable
