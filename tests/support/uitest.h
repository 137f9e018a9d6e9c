// Shared pieces of the screen tests: school files in a temporary folder, and a page that
// counts what the window asks of it.
#pragma once

#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>

#include "app/home.h"
#include "main/form1.h"
#include "app/ui/homepage.h"
#include "support/scripted_asker.h"
#include "store/store.h"
#include "ui/page.h"
#include "users/users.h"

// Screen tests make many school files; the cheapest password hash keeps that quick.
inline const bool kCheapHashesUi = (tavrin::users::setHashCost(tavrin::users::HashCost::Minimal), true);

namespace tavrin::testing {

// The contrast ratio of two colours as the accessibility guidelines define it (1 to 21).
inline double contrastRatio(const QColor& a, const QColor& b)
{
    auto lum = [](const QColor& c) {
        auto lin = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
    };
    const double la = lum(a), lb = lum(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The strongest contrast drawn in `area` of `w` against the colour at its top-left corner:
// what a reader sees of text on its background, antialiased edges aside.
inline double drawnContrast(QWidget* w, const QRect& area)
{
    const QImage img = w->grab(area).toImage();
    const QColor back = img.pixelColor(0, 0);
    double best = 1;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            best = std::max(best, contrastRatio(img.pixelColor(x, y), back));
    return best;
}

enum class Fixture { Empty, ClassesOnly, NoTimetable, Everything };

// Fills a new school file with just enough rows for the home page's steps.
inline void fill(store::Store& s, Fixture f)
{
    if (f == Fixture::Empty)
        return;
    s.transaction([&] {
        s.run("INSERT INTO jibd(jiid, jiname) VALUES(1, '初一')");
        s.run("INSERT INTO banbd(banid, banname, jiid, islock) VALUES(1, '初一1班', 1, 0)");
        s.run("INSERT INTO banbd(banid, banname, jiid, islock) VALUES(2, '初一2班', 1, 0)");
        if (f == Fixture::ClassesOnly)
            return;
        s.run("INSERT INTO daybd(dayid, dayname) VALUES(1, '星期一')");
        s.run("INSERT INTO jieshu(mor, aft, nig) VALUES(4, 3, 0)");
        s.run("INSERT INTO kemubd(kemuid, kemuname, kemuname2, maxjie, lianpai) VALUES(1, '语文', '语', 0, 0)");
        s.run("INSERT INTO kemujieshu(kemuid, banid, jieshu) VALUES(1, 1, 5)");
        s.run("INSERT INTO teabd(teaid, teaname, teaname2, islock) VALUES(1, '王老师', '王', 0)");
        s.run("INSERT INTO renkebd(difid, teaid, banid, keid, jieshu, heban) VALUES(0, 1, 1, 1, 5, 0)");
        if (f == Fixture::NoTimetable)
            return;
        s.run("INSERT INTO kechenbd(kechenid, theday, thejie, theban, thetea, theke, teshu) "
              "VALUES(1, 1, 1, 1, 1, 1, 0)");
    });
}

// A school file in its own temporary folder, open in a Store.
struct School {
    QTemporaryDir dir;
    std::filesystem::path path;
    std::unique_ptr<store::Store> store;

    explicit School(Fixture f = Fixture::Empty)
    {
        path = std::filesystem::path(dir.path().toStdString()) / "db.dat";
        if (!users::initDatabase(path))
            qFatal("could not create %s", path.string().c_str());
        store = std::make_unique<store::Store>(path);
        fill(*store, f);
    }
    long long count(const char* table) const
    {
        // Fixed table names from the tests themselves.
        return static_cast<long long>(store->scalar(std::string("SELECT count(*) FROM ") + table));
    }
};

// A page that records the window's calls and edits on demand.
class CountingPage : public ui::Page {

public:
    CountingPage(ui::Shell& shell, int index) : Page(shell, index) {}
    int loads = 0;
    int saves = 0;
    int leaves = 0;
    int lastTable = -1;
    bool saveSucceeds = true;
    bool loadThrows = false;

    void load(int table) override
    {
        ++loads;
        lastTable = table;
        if (loadThrows)
            throw std::runtime_error("读取失败");
    }
    bool save() override
    {
        ++saves;
        return saveSucceeds;
    }
    void leave() override { ++leaves; }
    // What an editing command of a page does.
    void edit() { markChanged(); }
};

// A window on `school` with counting pages 1..8 and the scripted asker.
struct Window {
    ScriptedAsker asker;
    std::array<CountingPage*, 9> pages{};
    std::unique_ptr<mainwin::TForm1> w;
    QStringList opened;  // URLs handed to the desktop
    bool desktopOpens = true;
    int logins = 0;
    std::optional<QString> loginAnswer = QStringLiteral("默认用户（操作员）");

    explicit Window(store::Store& store)
    {
        mainwin::TForm1::Options o;
        o.asker = &asker;
        o.useRegisteredPages = false;
        for (int i = 1; i <= 8; ++i)
            o.pages[i] = [this, i](ui::Shell& sh) {
                auto* p = new CountingPage(sh, i);
                pages[static_cast<std::size_t>(i)] = p;
                return p;
            };
        w = std::make_unique<mainwin::TForm1>(store, o);
        w->setUrlOpener([this](const QUrl& u) {
            opened << u.toLocalFile();
            return desktopOpens;
        });
        w->setLoginRunner([this] {
            ++logins;
            return loginAnswer;
        });
        // An operator is logged in unless a test says otherwise.
        w->session().num = 1;
        w->session().id = 1;
        w->session().name = "默认用户";
        w->session().type = users::Operator;
    }
    CountingPage* page(int i) const { return pages[static_cast<std::size_t>(i)]; }
    mainwin::TForm1* operator->() const { return w.get(); }
};

}  // namespace tavrin::testing
