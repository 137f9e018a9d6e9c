// Shared pieces of the screen tests: school files in a temporary folder, and a page that
// counts what the window asks of it.
#pragma once

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
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

// Every visible text of `root` measured against the room its widget gives it: labels,
// push buttons, check boxes, radio buttons and group box titles. `cut` names each text whose
// width by the widget's own font metrics exceeds its content width (a wrapping label: whose
// lines need more height than it has); `measured` lists every text looked at.
struct TextFit {
    QStringList cut;
    QStringList measured;
};
inline TextFit measureTexts(QWidget* root)
{
    TextFit fit;
    auto width = [](const QFontMetrics& fm, const QString& text) {
        int w = 0;
        for (const QString& line : text.split(QLatin1Char('\n')))
            w = std::max(w, fm.horizontalAdvance(line));
        return w;
    };
    auto check = [&](QWidget* w, const QString& text, int need, int room) {
        fit.measured << text;
        if (need > room)
            fit.cut << QStringLiteral("%1 “%2”: needs %3 px, has %4")
                           .arg(QString::fromUtf8(w->metaObject()->className()), text)
                           .arg(need)
                           .arg(room);
    };
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisible())
            continue;
        w->ensurePolished();
        const QFontMetrics fm(w->font());
        if (auto* l = qobject_cast<QLabel*>(w)) {
            if (l->text().isEmpty())
                continue;
            const QRect room = l->contentsRect().adjusted(l->margin(), l->margin(), -l->margin(), -l->margin());
            if (l->wordWrap()) {
                check(l, l->text(), l->heightForWidth(l->width()), l->height());
            } else if (l->textFormat() == Qt::RichText ||
                       (l->textFormat() == Qt::AutoText && Qt::mightBeRichText(l->text()))) {
                QTextDocument doc;
                doc.setDefaultFont(l->font());
                doc.setDocumentMargin(0);
                doc.setHtml(l->text());
                check(l, l->text(), static_cast<int>(std::ceil(doc.idealWidth())), room.width());
            } else {
                check(l, l->text(), width(fm, l->text()), room.width());
            }
        } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            if (b->text().isEmpty())
                continue;
            QString text = b->text();
            text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
            QStyleOptionButton opt;
            opt.initFrom(b);
            opt.text = b->text();
            opt.icon = b->icon();
            opt.iconSize = b->iconSize();
            int room = 0;
            if (qobject_cast<QCheckBox*>(b))
                room = b->style()->subElementRect(QStyle::SE_CheckBoxContents, &opt, b).width();
            else if (qobject_cast<QRadioButton*>(b))
                room = b->style()->subElementRect(QStyle::SE_RadioButtonContents, &opt, b).width();
            else if (qobject_cast<QPushButton*>(b))
                room = b->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, b).width();
            else
                continue;
            const int icon = b->icon().isNull() ? 0 : b->iconSize().width() + 4;
            check(b, text, width(fm, text) + icon, room);
        } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
            if (g->title().isEmpty())
                continue;
            QStyleOptionGroupBox opt;
            opt.initFrom(g);
            opt.text = g->title();
            opt.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
            if (g->isCheckable())
                opt.subControls |= QStyle::SC_GroupBoxCheckBox;
            const QRect label = g->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, g);
            check(g, g->title(), width(fm, g->title()), label.intersected(g->rect()).width());
        }
    }
    return fit;
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

// A window with only the pages `addPages` puts into the options (no registered ones), the
// given asker, and the default user logged in with `userType`.
inline std::unique_ptr<mainwin::TForm1> pageWindow(store::Store& store, ui::Asker& asker,
                                                   const std::function<void(mainwin::TForm1::Options&)>& addPages,
                                                   int userType = users::Operator)
{
    mainwin::TForm1::Options o;
    o.asker = &asker;
    o.useRegisteredPages = false;
    addPages(o);
    auto w = std::make_unique<mainwin::TForm1>(store, o);
    w->session().num = 1;
    w->session().id = 1;
    w->session().name = "默认用户";
    w->session().type = userType;
    return w;
}

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
        // An operator is logged in unless a test says otherwise.
        w = pageWindow(store, asker, [this](mainwin::TForm1::Options& o) {
            for (int i = 1; i <= 8; ++i)
                o.pages[i] = [this, i](ui::Shell& sh) {
                    auto* p = new CountingPage(sh, i);
                    pages[static_cast<std::size_t>(i)] = p;
                    return p;
                };
        });
        w->setUrlOpener([this](const QUrl& u) {
            opened << u.toLocalFile();
            return desktopOpens;
        });
        w->setLoginRunner([this] {
            ++logins;
            return loginAnswer;
        });
    }
    CountingPage* page(int i) const { return pages[static_cast<std::size_t>(i)]; }
    mainwin::TForm1* operator->() const { return w.get(); }
};

}  // namespace tavrin::testing
