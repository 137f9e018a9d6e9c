// Step 1, grade groups and classes: the working copy the class page edits, its load, the
// page's editing commands, and the save that writes it back with dense IDs.
//
// The working copy is a list of grade groups, each with its classes, in the order the page
// shows them ("list order": group by group, class by class). A group or class read from the
// file carries its stored ID; one added since the load has none, so a stored ID can never be
// taken for a new row.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "entry/result.h"
#include "model/school.h"
#include "store/store.h"

namespace tavrin::entry {

inline constexpr const char* kNewJiName = "未命名 年级";
inline constexpr const char* kNewBanName = "未命名 班级";
inline constexpr const char* kDuplicateBanName = "班级名称不能重复，请修正。";
inline constexpr const char* kDelJiTitle = "删除级组";
inline constexpr const char* kDelJiQuestion = "删除级组时，会将下属的班级一概删除，真的要删除吗？";
inline constexpr const char* kFillTitle = "自动填充班级名称";
inline constexpr const char* kFillQuestion = "要将所有班级名称填为”年级+班序“的形式吗?";

struct BanEntry {
    std::optional<std::int64_t> id;  // stored banid; none for a class added since the load
    std::string name;
    bool operator==(const BanEntry&) const = default;
};

struct JiEntry {
    std::optional<std::int64_t> id;  // stored jiid; none for a group added since the load
    std::string name;
    std::vector<BanEntry> classes;
    bool operator==(const JiEntry&) const = default;
};

// A class by its place in the list.
struct BanPos {
    int group = -1;
    int index = -1;
    bool valid() const { return group >= 0 && index >= 0; }
    bool operator==(const BanPos&) const = default;
};

struct ClassDraft {
    std::vector<JiEntry> groups;
    // Classes whose grade group does not exist: no page shows them and the save drops them.
    std::vector<model::SkippedRow> skipped;

    int classCount() const;
    bool has(BanPos p) const;
    const BanEntry& at(BanPos p) const { return groups[p.group].classes[p.index]; }
    BanEntry& at(BanPos p) { return groups[p.group].classes[p.index]; }
    // Every class in list order.
    std::vector<BanPos> listOrder() const;
    bool operator==(const ClassDraft& o) const { return groups == o.groups; }
};

// `actLoadBan`: grade groups by ID, each with its classes by ID.
ClassDraft loadClasses(store::Store& s);

// ---- editing commands

// `btnAddJiClick`: a group "未命名 年级" at the end with one class "未命名 班级". Refused
// past the program's limit of grade groups or classes.
Result addGroup(ClassDraft& d);
// `AddBan`: a class "未命名 班级" at the end of the group; its place, or invalid when refused.
Result addClass(ClassDraft& d, int group, BanPos* added = nullptr);
// `btnDelBanClick`: removes the class; a group left without classes goes too. Answers the
// class to select next: the first class still in the group, or invalid.
BanPos deleteClass(ClassDraft& d, BanPos p);
// `btnDelJiClick` after its question: the group and all its classes.
void deleteGroup(ClassDraft& d, int group);
// `btnFillBanClick` after its question: each class named group name + its place in the
// group + "班".
void fillNames(ClassDraft& d);

// The duplicate check of the save: the second class of the first pair with equal names (the
// pair's first class earliest in list order, then its first twin); invalid when all differ.
BanPos duplicateName(const ClassDraft& d);

// `btnBanSaveClick`: writes the list in one transaction. Deleted classes and groups go with
// every row that refers to them; grade groups take the IDs 1..G (kept groups in their old
// order, then the new ones), classes 1..C in (grade group, earlier ID) order, new classes
// after the kept ones of their group; every referring row follows its class. Refused, with
// nothing written, when two classes share a name (`duplicate` then names the second) or the
// rows do not fit the file.
Result saveClasses(store::Store& s, const ClassDraft& d, BanPos* duplicate = nullptr);

}  // namespace tavrin::entry
