// What the home page shows for the data present: which steps are open, the clear images,
// the "未排！" label and the status line. Computed from the file on every refresh.
#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "store/store.h"

namespace tavrin::app {

struct HomeState {
    bool hasBan = false;
    bool hasDay = false;
    bool hasKemuJieshu = false;
    bool hasRenke = false;
    bool hasKechen = false;
    int kbLayout = 1;  // 1 days as columns, 2 days as rows
    // The school's name (`XiaoName`): the `setting` row "学校名称"; empty when there is none.
    std::string xiaoName;

    // Index 1..6: the step image is enabled.
    std::array<bool, 7> stepEnabled{};
    // Index 1..6 (5 unused): the clear image is shown.
    std::array<bool, 7> clearShown{};
    bool noPaiShown = true;
    std::string status;
};

HomeState loadMain(store::Store& s);

// The clear command of a home-page step: its questions and the statement that follows.
struct ClearTexts {
    const char* title;
    const char* question;
    const char* secondQuestion;  // nullptr: none (step 6)
};
ClearTexts clearTexts(int step);
// The second question is asked for steps 1 to 4 only, and only while days are stored.
bool asksSecondQuestion(int step, const HomeState& h);

// Creates a new empty school file (schema, default options, "默认用户") in one transaction;
// false when something already exists at `file`. A file that cannot be made throws a
// DbError naming the path and the reason and leaves nothing behind.
bool initDatabase(const std::filesystem::path& file);

// Row counts of every table, in schema order.
std::vector<std::pair<std::string, long long>> tableCounts(store::Store& s);

}  // namespace tavrin::app
