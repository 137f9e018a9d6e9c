// Builds small school files in code for the scheduler tests.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "users/users.h"
#include "model/loaders.h"
#include "store/store.h"
#include "support/testutil.h"

namespace tavrin::testing {

class SchoolBuilder {
public:
    // A week of the given weekdays (1 Monday .. 7 Sunday) with the section period counts.
    explicit SchoolBuilder(std::vector<int> weekdays = {1, 2, 3, 4, 5}, int mor = 4, int aft = 4, int nig = 0)
    {
        users::initDatabase(dir_ / "db.dat");
        st_ = std::make_unique<store::Store>(dir_ / "db.dat");
        for (int w : weekdays)
            st_->run("INSERT INTO daybd VALUES(?1, '')", w);
        st_->run("INSERT INTO jieshu VALUES(?1, ?2, ?3)", mor, aft, nig);
    }
    store::Store& store() { return *st_; }
    std::filesystem::path path() const { return dir_ / "db.dat"; }

    int ji(const std::string& name)
    {
        st_->run("INSERT INTO jibd VALUES(?1, ?2)", ++ji_, name);
        return ji_;
    }
    int ban(const std::string& name, int jiid)
    {
        st_->run("INSERT INTO banbd VALUES(?1, ?2, ?3, 0)", ++ban_, name, jiid);
        return ban_;
    }
    int ke(const std::string& name, int maxjie = 0, int lianpai = 0)
    {
        st_->run("INSERT INTO kemubd VALUES(?1, ?2, ?3, ?4, ?5)", ++ke_, name, name.substr(0, 3), maxjie, lianpai);
        return ke_;
    }
    int tea(const std::string& name)
    {
        st_->run("INSERT INTO teabd VALUES(?1, ?2, ?3, 0)", ++tea_, name, name.substr(0, 3));
        return tea_;
    }
    // An assignment with its weekly periods (kemujieshu follows).
    void renke(int t, int b, int k, int n, int heban = 0)
    {
        st_->run("INSERT INTO renkebd VALUES(?1, ?2, ?3, ?4, ?5, ?6)", difid_++, t, b, k, n, heban);
        auto cur = st_->scalar("SELECT count(*) FROM kemujieshu WHERE kemuid=?1 AND banid=?2", k, b);
        if (cur)
            st_->run("UPDATE kemujieshu SET jieshu=jieshu+?1 WHERE kemuid=?2 AND banid=?3", n, k, b);
        else
            st_->run("INSERT INTO kemujieshu VALUES(?1, ?2, ?3)", k, b, n);
    }
    void gudin(int b, int weekday, int jie, const std::string& name = "班会")
    {
        st_->run("INSERT INTO gudinbd VALUES(?1, ?2, ?3, ?4, ?5)", ++gudin_, name, weekday, jie, b);
    }
    // A lesson of the stored timetable (kechenbd).
    void lesson(int b, int weekday, int jie, int t, int k)
    {
        st_->run("INSERT INTO kechenbd VALUES(?1, ?2, ?3, ?4, ?5, ?6, 0)", ++kechen_, weekday, jie, b, t, k);
    }
    void lock(int b) { st_->run("UPDATE banbd SET islock = 1 WHERE banid = ?1", b); }
    void markKe(int k, int b, int weekday, int jie, int mark)
    {
        st_->run("INSERT INTO teshuke VALUES(?1, ?2, ?3, ?4, ?5)", k, b, weekday, jie, mark);
    }
    void markTea(int t, int weekday, int jie, int mark)
    {
        st_->run("INSERT INTO teshutea VALUES(?1, ?2, ?3, ?4)", t, weekday, jie, mark);
    }
    // A period condition row; `ban` 0 = every class; either a subject or a teacher.
    void jieOpt(int optId, int jie, int num, int b, int k, int t = 0)
    {
        st_->run("INSERT INTO PaiOptJie VALUES(?1, ?2, ?3, ?4, ?5, ?6)", optId, jie, num, opt(b), opt(k), opt(t));
    }
    void dayOpt(int optId, int weekday, int num, int b, int k, int t = 0)
    {
        st_->run("INSERT INTO PaiOptDay VALUES(?1, ?2, ?3, ?4, ?5, ?6)", optId, weekday, num, opt(b), opt(k), opt(t));
    }
    void exclusion(int wmid, int a, int b)
    {
        st_->run("INSERT INTO teaman VALUES(?1, ?2)", wmid, a);
        st_->run("INSERT INTO teawife VALUES(?1, ?2)", wmid, b);
    }
    model::School load() { return model::loadSchool(*st_); }

private:
    static std::optional<int> opt(int v) { return v > 0 ? std::optional<int>(v) : std::nullopt; }
    TempDir dir_;
    std::unique_ptr<store::Store> st_;
    int ji_ = 0, ban_ = 0, ke_ = 0, tea_ = 0, gudin_ = 0, difid_ = 0, kechen_ = 0;
};

}  // namespace tavrin::testing
