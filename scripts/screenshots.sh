#!/usr/bin/env bash
# Takes the pictures in docs/screenshots/: the home page for an empty school, a school with
# classes only and a school with everything present (timetable included), and the login
# dialog. Builds the program (Release, in ./build, or in $TAVRIN_SHOT_BUILD) when needed.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${TAVRIN_SHOT_BUILD:-build}
OUT=docs/screenshots

if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVRIN_BUILD_TESTS=OFF -DTAVRIN_BUILD_BENCH=OFF >/dev/null
fi
cmake --build "$BUILD" --target tavrin tavrin-cli -j"$(nproc)"
CLI=$(find "$BUILD" -name tavrin-cli -type f -perm -u+x | head -n1)
APP="$BUILD/tavrin"

# A fixed folder, so that the path on the home page is the same in every run's pictures.
WORK=${TMPDIR:-/tmp}/tavrin-screenshots
rm -rf "$WORK"
mkdir -p "$WORK" "$OUT"
trap 'rm -rf "$WORK"' EXIT

school() {  # school NAME SQL: NAME/db.dat, a new school file with the rows of SQL
  mkdir -p "$WORK/$1"
  "$CLI" init "$WORK/$1/db.dat" >/dev/null
  if [ -n "$2" ]; then sqlite3 "$WORK/$1/db.dat" "PRAGMA foreign_keys=ON; BEGIN; $2 COMMIT;"; fi
}

CLASSES="INSERT INTO setting(setName,setVar) VALUES('学校名称','实验中学');
INSERT INTO jibd VALUES(1,'初一'); INSERT INTO jibd VALUES(2,'初二');
INSERT INTO banbd VALUES(1,'初一1班',1,0); INSERT INTO banbd VALUES(2,'初一2班',1,0);
INSERT INTO banbd VALUES(3,'初二1班',2,0); INSERT INTO banbd VALUES(4,'初二2班',2,0);"

EVERYTHING="$CLASSES
INSERT INTO daybd VALUES(1,'星期一'); INSERT INTO daybd VALUES(2,'星期二'); INSERT INTO daybd VALUES(3,'星期三');
INSERT INTO daybd VALUES(4,'星期四'); INSERT INTO daybd VALUES(5,'星期五');
INSERT INTO jieshu VALUES(4,3,0);
INSERT INTO kemubd VALUES(1,'语文','语',0,0); INSERT INTO kemubd VALUES(2,'数学','数',0,0);
INSERT INTO kemujieshu VALUES(1,1,6); INSERT INTO kemujieshu VALUES(2,1,6);
INSERT INTO teabd VALUES(1,'王芳','王',0); INSERT INTO teabd VALUES(2,'李强','李',0);
INSERT INTO renkebd VALUES(0,1,1,1,6,0); INSERT INTO renkebd VALUES(1,2,1,2,6,0);
INSERT INTO kechenbd VALUES(1,1,1,1,1,1,0); INSERT INTO kechenbd VALUES(2,1,2,1,2,2,0);"

school empty ""
school classes "$CLASSES"
school full "$EVERYTHING"
# Two users: the login dialog is shown in full.
school login "INSERT INTO userbd(userid,username,password,usertype) VALUES(2,'教务处','',1);"

shot() {  # shot DB PAGE PNG
  xvfb-run -a -s "-screen 0 1280x900x24" "$APP" --db "$WORK/$1/db.dat" --page "$2" --grab "$OUT/$3"
  echo "$OUT/$3"
}
shot empty 0 home-empty.png
shot classes 0 home-classes.png
shot full 0 home-full.png
shot login 0 login.png
