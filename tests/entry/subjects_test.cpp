// The subject grid's text rules: a grade-group cell read into weekly periods per class and
// written back, the numeric cell's edits (typed or pasted), and the short-name fills. What is
// typed must be what is stored and shown again: no sign, no foreign digits, no value that
// wraps in the file's integer or byte.
#include <gtest/gtest.h>

#include "entry/subjects.h"

using namespace tavrin;

namespace {

struct JieCase {
    const char* text;
    int classes;
    std::vector<int> values;
    const char* shown;
};

TEST(Subjects, InputJieTable)
{
    const JieCase cases[] = {
        {"6", 3, {6, 6, 6}, "6"},
        {"", 3, {0, 0, 0}, ""},
        {"5,5", 3, {5, 5, 0}, "5,5,0"},
        {"5,,4", 3, {5, 0, 4}, "5,0,4"},
        {"5,5,4,9", 3, {5, 5, 4}, "5,5,4"},
        {"-3", 3, {0, 0, 0}, ""},
        {"abc", 3, {0, 0, 0}, ""},
        {"99999999999", 3, {0, 0, 0}, ""},
        {"5,-3,99999999999", 3, {5, 0, 0}, "5,0,0"},
        {"189", 2, {189, 189}, "189"},
        {"190", 2, {0, 0}, ""},
        {"07", 2, {7, 7}, "7"},
        {"\xd9\xa3", 1, {0}, ""},  // Arabic-Indic three
        {" 5", 1, {0}, ""},
    };
    for (const JieCase& c : cases) {
        SCOPED_TRACE(c.text);
        const entry::JieInput r = entry::inputJie(c.text, c.classes);
        EXPECT_EQ(r.values, c.values);
        EXPECT_EQ(r.text, c.shown);
    }
}

TEST(Subjects, GroupCellTextTable)
{
    EXPECT_EQ(entry::groupCellText({5, 5, 5}), "5");
    EXPECT_EQ(entry::groupCellText({0, 0, 0}), "");
    EXPECT_EQ(entry::groupCellText({5, 0, 4}), "5,0,4");
    EXPECT_EQ(entry::groupCellText({0, 5}), "0,5");
    EXPECT_EQ(entry::groupCellText({}), "");
    // The cell read back gives the same periods: an edit that turns "5,5,4" into all fives
    // shows one number again.
    const std::vector<int> differing = {5, 0, 4};
    EXPECT_EQ(entry::inputJie(entry::groupCellText(differing), 3).values, differing);
    EXPECT_EQ(entry::groupCellText(entry::inputJie("5,5,5", 3).values), "5");
}

TEST(Subjects, TotalsAgainstCapacity)
{
    EXPECT_EQ(entry::groupSummaryText({0, 0}), "0");  // a total of 0 is shown, unlike a cell
    EXPECT_EQ(entry::groupSummaryText({30, 28}), "30,28");
    EXPECT_EQ(entry::groupSummaryText({30, 30}), "30");
    EXPECT_FALSE(entry::overCapacity({30, 28}, {30, 30}));  // at capacity is not over
    EXPECT_TRUE(entry::overCapacity({30, 31}, {30, 30}));   // one class over is enough
    EXPECT_TRUE(entry::overCapacity({1}, {0}));             // a week filled by fixed lessons
}

struct EditCase {
    const char* current;
    int selStart, selLen;
    const char* inserted;
    int max;
    bool accepted;
};

TEST(Subjects, CountEditTable)
{
    const EditCase cases[] = {
        {"", 0, 0, "0", 189, true},           // "0" into an empty cell
        {"5", 0, 0, "0", 189, false},         // a leading zero before remaining text
        {"5", 0, 1, "0", 189, true},          // replacing the whole text with "0"
        {"5", 1, 0, "0", 189, true},          // "50"
        {"18", 2, 0, "9", 189, true},         // the bound itself
        {"19", 2, 0, "0", 189, false},        // over the weekly bound
        {"25", 2, 0, "5", 255, true},         // a byte's bound
        {"25", 2, 0, "6", 255, false},        // 256 would wrap in the file's byte
        {"", 0, 0, "12", 189, true},          // a paste
        {"", 0, 0, "1\xef\xbc\x92" "a", 189, false},  // "1２a": refused whole
        {"", 0, 0, "-3", 189, false},
        {"", 0, 0, "\xd9\xa3", 189, false},
        {"", 0, 0, "12345678901234567890", 189, false},
        {"12", 1, 1, "", 189, true},          // a deletion
        {"12", 2, 1, "3", 189, false},        // a selection past the end
    };
    for (const EditCase& c : cases) {
        SCOPED_TRACE(std::string(c.current) + " + " + c.inserted + " @" + std::to_string(c.selStart));
        EXPECT_EQ(entry::acceptsCountEdit(c.current, c.selStart, c.selLen, c.inserted, c.max), c.accepted);
    }
}

TEST(Subjects, FillsTakeWholeCharacters)
{
    EXPECT_EQ(entry::firstChar("\xf0\xa0\x80\x80文"), "\xf0\xa0\x80\x80");  // 𠀀文 gives 𠀀
    EXPECT_EQ(entry::lastChar("语\xf0\x9f\x98\x80"), "\xf0\x9f\x98\x80");   // an emoji whole
    EXPECT_EQ(entry::firstChar("数学"), "数");
    EXPECT_EQ(entry::lastChar("数学"), "学");
    EXPECT_EQ(entry::firstChar("\"A"), "\"");
    EXPECT_EQ(entry::firstChar(""), "");
    EXPECT_EQ(entry::lastChar(""), "");
}

}  // namespace
