#!/usr/bin/env bash
# Takes the pictures in docs/screenshots/: the home page for an empty school, a school with
# classes only and a school with everything present (timetable included), and the login
# dialog; then, at the smallest window (960x640) and a large one (1920x1080), the home page
# of an empty school and of the sample school, the class and teacher pages in both layouts
# with held lessons, the side panels with the change list and a drag with the floating mini
# timetable, the teacher page with a drop's periods dialog, and the file dialog of 恢复数据 in
# Chinese; the cover page of a day with three absences and the day's cover sheet as printed.
# Builds the program and the picture tools (Release, in ./build, or in
# $TAVRIN_SHOT_BUILD) when needed.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${TAVRIN_SHOT_BUILD:-build}
OUT=docs/screenshots

if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVRIN_BUILD_TESTS=ON -DTAVRIN_BUILD_BENCH=OFF >/dev/null
elif ! grep -q '^TAVRIN_BUILD_TESTS:BOOL=ON' "$BUILD/CMakeCache.txt"; then
  cmake -S . -B "$BUILD" -DTAVRIN_BUILD_TESTS=ON >/dev/null  # the picture tools live with the screen tests
fi
cmake --build "$BUILD" --target tavrin tavrin-cli timetable_shots dialog_shots pai_shots export_shots changes_shots school_shots ke_shots tea_shots import_shots cover_shots -j"${JOBS:-2}"
tool() { realpath "$(find "$BUILD" -name "$1" -type f -perm -u+x | head -n1)"; }
CLI=$(tool tavrin-cli)
APP="$BUILD/tavrin"
TIMETABLE_SHOTS=$(tool timetable_shots)
DIALOG_SHOTS=$(tool dialog_shots)
PAI_SHOTS=$(tool pai_shots)
EXPORT_SHOTS=$(tool export_shots)
CHANGES_SHOTS=$(tool changes_shots)
SCHOOL_SHOTS=$(tool school_shots)
KE_SHOTS=$(tool ke_shots)
TEA_SHOTS=$(tool tea_shots)
IMPORT_SHOTS=$(tool import_shots)
COVER_SHOTS=$(tool cover_shots)
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}  # a sanitizer build may take the pictures too

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

# The sample school as shipped, and a scheduled copy with four lessons of its first class
# taken out: the class page and the page of the first one's teacher show them held.
mkdir -p "$WORK/sample" "$WORK/held"
cp samples/示例学校.wkt "$WORK/sample/db.dat"
cp samples/示例学校.wkt "$WORK/sample/"  # a backup for the file dialog to list
cp samples/示例学校.wkt "$WORK/held/db.dat"
"$CLI" schedule "$WORK/held/db.dat" --seed 1 >/dev/null
# The export dialogs over the scheduled sample school, idle and mid-export.
mkdir -p "$WORK/export"
cp samples/示例学校.wkt "$WORK/export/db.dat"
"$CLI" schedule "$WORK/export/db.dat" --seed 1 >/dev/null
xvfb-run -a -s "-screen 0 1920x1080x24" "$EXPORT_SHOTS" "$WORK/export/db.dat" "$OUT"
HELD="SELECT rowid FROM kechenbd WHERE theban = 1 ORDER BY rowid LIMIT 4"
TEA=$(sqlite3 "$WORK/held/db.dat" "SELECT thetea FROM kechenbd WHERE rowid IN ($HELD) ORDER BY rowid LIMIT 1")
sqlite3 "$WORK/held/db.dat" "DELETE FROM kechenbd WHERE rowid IN ($HELD);"

SCREEN="-screen 0 1920x1080x24"
for SIZE in 960x640 1920x1080; do
  for S in empty sample; do
    xvfb-run -a -s "$SCREEN" "$APP" --db "$WORK/$S/db.dat" --page 0 --grab "$OUT/home-$S-$SIZE.png" --size "$SIZE"
    echo "$OUT/home-$S-$SIZE.png"
  done
  # timetable-{class,teacher}-{1,2}-SIZE.png: both pages in both layouts.
  xvfb-run -a -s "$SCREEN" "$TIMETABLE_SHOTS" "$WORK/held/db.dat" "$OUT" 1 "$TEA" "$SIZE"
  ls "$OUT"/timetable-*-"$SIZE".png
  # changes-{panels,drag,layout2}-SIZE.png: the side panels, a few exchanges listed, the
  # floating mini timetable of a drag; on a fresh scheduled copy, nothing saved.
  # notices-dialog-SIZE.png: the change notice dialog over the window after those exchanges.
  mkdir -p "$WORK/changes"
  cp samples/示例学校.wkt "$WORK/changes/db.dat"
  "$CLI" schedule "$WORK/changes/db.dat" --seed 1 >/dev/null
  xvfb-run -a -s "$SCREEN" "$CHANGES_SHOTS" "$WORK/changes/db.dat" "$OUT" 1 "$SIZE"
  ls "$OUT"/changes-*-"$SIZE".png "$OUT"/notices-*-"$SIZE".png
  # school-{all,drag,renke}-SIZE.png: the whole-school timetable and the assignment table.
  xvfb-run -a -s "$SCREEN" "$SCHOOL_SHOTS" "$WORK/changes/db.dat" "$OUT" "$SIZE"
  # step3-{subjects,marks}-SIZE.png and step4-teacher-marks-SIZE.png: the subject page with a
  # group cell's strip open, and the mark dialog for subjects and for teachers; on a copy.
  xvfb-run -a -s "$SCREEN" "$KE_SHOTS" samples/示例学校.wkt "$OUT" "$SIZE"
  # step4-{teachers,drop}-SIZE.png: the teacher page with the chip strip and the unassigned
  # list's hint, and the periods dialog of a drop; on a fresh copy, nothing saved.
  xvfb-run -a -s "$SCREEN" "$TEA_SHOTS" samples/示例学校.wkt "$OUT" "$SIZE"
  # import-{subjects,assignments,skipped}-SIZE.png: both import dialogs and the message that
  # lists skipped cells, over the subject page of a copy.
  xvfb-run -a -s "$SCREEN" "$IMPORT_SHOTS" samples/示例学校.wkt "$OUT" "$SIZE"
  # From the school's folder, where the dialog opens: no path of this machine in the picture.
  (cd "$WORK/sample" && xvfb-run -a -s "$SCREEN" "$DIALOG_SHOTS" db.dat "$OLDPWD/$OUT/file-dialog-$SIZE.png" "$SIZE")
  echo "$OUT/file-dialog-$SIZE.png"
  # schedule-polish{,-page}-SIZE.png: "优化课表" on the sample school scheduled without the polish.
  mkdir -p "$WORK/polish"
  cp samples/示例学校.wkt "$WORK/polish/db.dat"
  "$CLI" schedule "$WORK/polish/db.dat" --seed 1 --no-polish >/dev/null
  xvfb-run -a -s "$SCREEN" "$PAI_SHOTS" "$WORK/polish/db.dat" "$OUT" --polish "$SIZE"
  # cover-page-SIZE.png: the cover page of a Monday with three teachers absent (all day, the
  # morning, the afternoon) and covers picked for some of their lessons; on a scheduled copy.
  rm -rf "$WORK/cover"
  mkdir -p "$WORK/cover"
  cp samples/示例学校.wkt "$WORK/cover/db.dat"
  "$CLI" schedule "$WORK/cover/db.dat" --seed 1 >/dev/null
  xvfb-run -a -s "$SCREEN" "$COVER_SHOTS" "$WORK/cover/db.dat" "$OUT" "$SIZE" "$WORK/cover/cover-sheet.xlsx"
done
# cover-sheet.png: that day's cover sheet as LibreOffice prints it.
scripts/render-workbook "$WORK/cover/cover-sheet.xlsx" "$WORK/cover/render" >/dev/null
cp "$WORK/cover/render/cover-sheet-1.png" "$OUT/cover-sheet.png"
echo "$OUT/cover-sheet.png"
