#include "store/schema.h"

#include <set>

namespace tavrin::store {

namespace {
// Every ID column links to its master table with cascading delete and update: the clear
// commands and the renumbering saves delete or renumber master rows only and rely on
// the dependent rows following.
const char* kSchema = R"SQL(
CREATE TABLE IF NOT EXISTS jibd (
  jiid INTEGER PRIMARY KEY NOT NULL,
  jiname TEXT NOT NULL DEFAULT ''
);
CREATE TABLE IF NOT EXISTS banbd (
  banid INTEGER PRIMARY KEY NOT NULL,
  banname TEXT NOT NULL DEFAULT '',
  jiid INTEGER REFERENCES jibd(jiid) ON DELETE CASCADE ON UPDATE CASCADE,
  islock INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE IF NOT EXISTS daybd (
  dayid INTEGER PRIMARY KEY NOT NULL,
  dayname TEXT NOT NULL DEFAULT ''
);
CREATE TABLE IF NOT EXISTS jieshu (
  mor INTEGER NOT NULL DEFAULT 0,
  aft INTEGER NOT NULL DEFAULT 0,
  nig INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE IF NOT EXISTS timebd (
  jieid INTEGER PRIMARY KEY NOT NULL,
  jietime TEXT NOT NULL DEFAULT ''
);
CREATE TABLE IF NOT EXISTS publictimebd (
  beforjie INTEGER PRIMARY KEY NOT NULL,
  timestr TEXT NOT NULL DEFAULT ''
);
CREATE TABLE IF NOT EXISTS gudinbd (
  gudinid INTEGER,
  gudinname TEXT NOT NULL DEFAULT '',
  theday INTEGER,
  thejie INTEGER,
  theban INTEGER REFERENCES banbd(banid) ON DELETE CASCADE ON UPDATE CASCADE
);
CREATE TABLE IF NOT EXISTS kemubd (
  kemuid INTEGER PRIMARY KEY NOT NULL,
  kemuname TEXT NOT NULL DEFAULT '',
  kemuname2 TEXT NOT NULL DEFAULT '',
  maxjie INTEGER NOT NULL DEFAULT 0,
  lianpai INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE IF NOT EXISTS kemujieshu (
  kemuid INTEGER REFERENCES kemubd(kemuid) ON DELETE CASCADE ON UPDATE CASCADE,
  banid INTEGER REFERENCES banbd(banid) ON DELETE CASCADE ON UPDATE CASCADE,
  jieshu INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE IF NOT EXISTS teshuke (
  kemuid INTEGER REFERENCES kemubd(kemuid) ON DELETE CASCADE ON UPDATE CASCADE,
  banid INTEGER REFERENCES banbd(banid) ON DELETE CASCADE ON UPDATE CASCADE,
  theday INTEGER,
  thejie INTEGER,
  teshu INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE IF NOT EXISTS teabd (
  teaid INTEGER PRIMARY KEY NOT NULL,
  teaname TEXT NOT NULL DEFAULT '',
  teaname2 TEXT NOT NULL DEFAULT '',
  islock INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE IF NOT EXISTS renkebd (
  difid INTEGER,
  teaid INTEGER REFERENCES teabd(teaid) ON DELETE CASCADE ON UPDATE CASCADE,
  banid INTEGER REFERENCES banbd(banid) ON DELETE CASCADE ON UPDATE CASCADE,
  keid INTEGER REFERENCES kemubd(kemuid) ON DELETE CASCADE ON UPDATE CASCADE,
  jieshu INTEGER NOT NULL DEFAULT 0,
  heban INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE IF NOT EXISTS teshutea (
  teaid INTEGER REFERENCES teabd(teaid) ON DELETE CASCADE ON UPDATE CASCADE,
  theday INTEGER,
  thejie INTEGER,
  teshu INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE IF NOT EXISTS kechenbd (
  kechenid INTEGER,
  theday INTEGER,
  thejie INTEGER,
  theban INTEGER REFERENCES banbd(banid) ON DELETE CASCADE ON UPDATE CASCADE,
  thetea INTEGER REFERENCES teabd(teaid) ON DELETE CASCADE ON UPDATE CASCADE,
  theke INTEGER REFERENCES kemubd(kemuid) ON DELETE CASCADE ON UPDATE CASCADE,
  teshu INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE IF NOT EXISTS PaiOpt (
  PaiItm INTEGER,
  ItmVar INTEGER
);
CREATE TABLE IF NOT EXISTS PaiOptJie (
  OptId INTEGER,
  theJie INTEGER,
  theNum INTEGER,
  BanId INTEGER REFERENCES banbd(banid) ON DELETE CASCADE ON UPDATE CASCADE,
  KeId INTEGER REFERENCES kemubd(kemuid) ON DELETE CASCADE ON UPDATE CASCADE,
  TeaId INTEGER REFERENCES teabd(teaid) ON DELETE CASCADE ON UPDATE CASCADE
);
CREATE TABLE IF NOT EXISTS PaiOptDay (
  OptId INTEGER,
  theDay INTEGER,
  theNum INTEGER,
  BanId INTEGER REFERENCES banbd(banid) ON DELETE CASCADE ON UPDATE CASCADE,
  KeId INTEGER REFERENCES kemubd(kemuid) ON DELETE CASCADE ON UPDATE CASCADE,
  TeaId INTEGER REFERENCES teabd(teaid) ON DELETE CASCADE ON UPDATE CASCADE
);
CREATE TABLE IF NOT EXISTS teaman (
  wmid INTEGER,
  man INTEGER REFERENCES teabd(teaid) ON DELETE CASCADE ON UPDATE CASCADE
);
CREATE TABLE IF NOT EXISTS teawife (
  wmid INTEGER,
  wife INTEGER REFERENCES teabd(teaid) ON DELETE CASCADE ON UPDATE CASCADE
);
CREATE TABLE IF NOT EXISTS setting (
  setName TEXT,
  setVar TEXT
);
CREATE TABLE IF NOT EXISTS userbd (
  userid INTEGER,
  username TEXT NOT NULL DEFAULT '',
  password TEXT NOT NULL DEFAULT '',
  usertype INTEGER NOT NULL DEFAULT 1
);
CREATE TABLE IF NOT EXISTS PrintSetting (
  FontName1 TEXT,
  FontSize1 INTEGER,
  FontName2 TEXT,
  FontSize2 INTEGER,
  Paper TEXT,
  TimeHead TEXT,
  BottomText TEXT,
  FontNameAll1 TEXT,
  FontSizeAll1 INTEGER,
  FontNameAll2 TEXT,
  FontSizeAll2 INTEGER,
  PaperAll TEXT
);
CREATE INDEX IF NOT EXISTS idx_banbd_jiid ON banbd(jiid);
CREATE INDEX IF NOT EXISTS idx_gudinbd_theban ON gudinbd(theban);
CREATE INDEX IF NOT EXISTS idx_kemujieshu_kemuid ON kemujieshu(kemuid);
CREATE INDEX IF NOT EXISTS idx_kemujieshu_banid ON kemujieshu(banid);
CREATE INDEX IF NOT EXISTS idx_teshuke_kemuid ON teshuke(kemuid);
CREATE INDEX IF NOT EXISTS idx_teshuke_banid ON teshuke(banid);
CREATE INDEX IF NOT EXISTS idx_renkebd_teaid ON renkebd(teaid);
CREATE INDEX IF NOT EXISTS idx_renkebd_banid ON renkebd(banid);
CREATE INDEX IF NOT EXISTS idx_renkebd_keid ON renkebd(keid);
CREATE INDEX IF NOT EXISTS idx_teshutea_teaid ON teshutea(teaid);
CREATE INDEX IF NOT EXISTS idx_kechenbd_theban ON kechenbd(theban);
CREATE INDEX IF NOT EXISTS idx_kechenbd_thetea ON kechenbd(thetea);
CREATE INDEX IF NOT EXISTS idx_kechenbd_theke ON kechenbd(theke);
CREATE INDEX IF NOT EXISTS idx_paioptjie_ban ON PaiOptJie(BanId);
CREATE INDEX IF NOT EXISTS idx_paioptjie_ke ON PaiOptJie(KeId);
CREATE INDEX IF NOT EXISTS idx_paioptjie_tea ON PaiOptJie(TeaId);
CREATE INDEX IF NOT EXISTS idx_paioptday_ban ON PaiOptDay(BanId);
CREATE INDEX IF NOT EXISTS idx_paioptday_ke ON PaiOptDay(KeId);
CREATE INDEX IF NOT EXISTS idx_paioptday_tea ON PaiOptDay(TeaId);
CREATE INDEX IF NOT EXISTS idx_teaman_man ON teaman(man);
CREATE INDEX IF NOT EXISTS idx_teawife_wife ON teawife(wife);
)SQL";
}  // namespace

const std::vector<TableDef>& tables()
{
    static const std::vector<TableDef> t = {
        {"jibd", {"jiid", "jiname"}},
        {"banbd", {"banid", "banname", "jiid", "islock"}},
        {"daybd", {"dayid", "dayname"}},
        {"jieshu", {"mor", "aft", "nig"}},
        {"timebd", {"jieid", "jietime"}},
        {"publictimebd", {"beforjie", "timestr"}},
        {"gudinbd", {"gudinid", "gudinname", "theday", "thejie", "theban"}},
        {"kemubd", {"kemuid", "kemuname", "kemuname2", "maxjie", "lianpai"}},
        {"kemujieshu", {"kemuid", "banid", "jieshu"}},
        {"teshuke", {"kemuid", "banid", "theday", "thejie", "teshu"}},
        {"teabd", {"teaid", "teaname", "teaname2", "islock"}},
        {"renkebd", {"difid", "teaid", "banid", "keid", "jieshu", "heban"}},
        {"teshutea", {"teaid", "theday", "thejie", "teshu"}},
        {"kechenbd", {"kechenid", "theday", "thejie", "theban", "thetea", "theke", "teshu"}},
        {"PaiOpt", {"PaiItm", "ItmVar"}},
        {"PaiOptJie", {"OptId", "theJie", "theNum", "BanId", "KeId", "TeaId"}},
        {"PaiOptDay", {"OptId", "theDay", "theNum", "BanId", "KeId", "TeaId"}},
        {"teaman", {"wmid", "man"}},
        {"teawife", {"wmid", "wife"}},
        {"setting", {"setName", "setVar"}},
        {"userbd", {"userid", "username", "password", "usertype"}},
        {"PrintSetting",
         {"FontName1", "FontSize1", "FontName2", "FontSize2", "Paper", "TimeHead", "BottomText", "FontNameAll1",
          "FontSizeAll1", "FontNameAll2", "FontSizeAll2", "PaperAll"}},
    };
    return t;
}

void createSchema(Store& s)
{
    s.transaction([&] { s.exec(kSchema); });
}

std::vector<std::string> missingTables(Store& s)
{
    std::vector<std::string> missing;
    for (const auto& t : tables()) {
        std::set<std::string> have;
        auto st = s.prepare("SELECT lower(name) FROM pragma_table_info(?1)");
        st.bind(1, t.name);
        while (st.step())
            have.insert(st.text(0));
        if (have.empty()) {
            missing.emplace_back(t.name);
            continue;
        }
        for (const char* c : t.columns) {
            std::string lc(c);
            for (auto& ch : lc)
                ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
            if (!have.count(lc)) {
                missing.push_back(std::string(t.name) + "." + c);
            }
        }
    }
    return missing;
}

void insertDefaultPaiOpt(Store& s)
{
    s.transaction([&] {
        s.run("DELETE FROM PaiOpt");
        const int defaults[4] = {3, 1, 2, 1};
        for (int i = 0; i < 4; ++i)
            s.run("INSERT INTO PaiOpt(PaiItm, ItmVar) VALUES(?1, ?2)", i + 1, defaults[i]);
    });
}

}  // namespace tavrin::store
