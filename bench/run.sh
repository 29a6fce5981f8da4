#!/usr/bin/env bash
# The benchmark of the command line (prints figures; never part of the tests).
#   bench/run.sh BUILD_DIR          (a release build gives the meaningful figures)
# Environment: ARDEKO_BENCH_DIR (scratch folder, default /tmp/ardeko-bench; needs ~2 GB of
# inodes-worth of space), ARDEKO_BENCH_REPEAT (runs per timing, best counts; default 5).
#
# (a) a test run of `ardeko archive` over 200,000 files in ~2,000 folders, warm cache, against
#     `find` doing the same date selection and a Python os.scandir walk writing the same
#     protocol lines; peak memory of the test run at 200,000 and 400,000 files;
# (b) a real run moving 20,000 files against a Python shutil.move script on an identical copy;
# (c) what a renderer's resync of the wizard form costs at one message pump, and the Qt
#     renderer's whole pump with the wizard shown;
# (d) the wizard's opening on the Qt renderer (offscreen): ShowWizard to its first expose;
# (e) a real run with the run journal against one without, and the undo of that run.
# With strace installed, the system calls of the test run are counted as well.
# ardeko.exe under Wine has a benchmark of its own: bench/wine.sh BUILD_DIR_X64 (the build of
# the windows-x64 preset), a test run over 20,000 files against Wine's `cmd /c dir /s`.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BENCH=$ROOT/bench
BUILD=${1:?usage: bench/run.sh BUILD_DIR}
case "$BUILD" in /*) ;; *) BUILD=$ROOT/$BUILD ;; esac
cmake --build "$BUILD" --target ardeko gen_tree form_sync qt_pump qt_first_paint >/dev/null
ARDEKO=$BUILD/apps/ardeko/ardeko
GEN=$BUILD/bench/gen_tree

WORK=${ARDEKO_BENCH_DIR:-/tmp/ardeko-bench}
REPEAT=${ARDEKO_BENCH_REPEAT:-5}
rm -rf "$WORK"
mkdir -p "$WORK"
trap 'rm -rf "$WORK"' EXIT

# A private profile; the protocol goes to no viewer.
export XDG_CONFIG_HOME=$WORK/home/config XDG_DATA_HOME=$WORK/home/data ARDEKO_OPENER=true
unset DISPLAY WAYLAND_DISPLAY
PROTO="$XDG_DATA_HOME/Veltrano/Office Archivierungs-Assistent/Protokoll Office-Archivierung.txt"

# With TZ unset glibc's localtime() looks at /etc/localtime again on every call, which would
# slow find's date printing down for reasons of its own; a set TZ gives everyone the same start.
export TZ=${TZ:-:/etc/localtime}

# Files dated 2000..2025, cut-off December 2012: about half of them are due.
CUT_MONTH=12
CUT_YEAR=2012
FIND_BEFORE="2013-01-01 00:00"

command -v /usr/bin/time >/dev/null || { echo "bench/run.sh needs /usr/bin/time (package 'time')" >&2; exit 1; }

# measure BEFORE_COMMAND COMMAND... -> "best_wall_s cpu_s_of_that_run peak_rss_kib" over REPEAT
# runs; standard input from /dev/null, standard output to /dev/null.
measure() {
  local before=$1
  shift
  local best="" cpu="" rss=0 t u s m code
  for _ in $(seq "$REPEAT"); do
    eval "$before"
    /usr/bin/time -o "$WORK/time.txt" -f '%e %U %S %M %x' "$@" </dev/null >/dev/null || true
    read -r t u s m code <"$WORK/time.txt"
    if [ "$code" -ne 0 ]; then echo "command failed ($code): $*" >&2; exit 1; fi
    if [ -z "$best" ] || awk "BEGIN{exit !($t < $best)}"; then best=$t; cpu=$(awk "BEGIN{print $u + $s}"); fi
    [ "$m" -gt "$rss" ] && rss=$m
  done
  echo "$best $cpu $rss"
}

# Reads every entry's inode twice, so that all runs start from a warm cache.
warm() { find "$1" -printf '%T@\n' >/dev/null; find "$1" -printf '%T@\n' >/dev/null; }
rate() { awk "BEGIN{printf \"%'d\", $1 / $2}"; }
ratio() { awk "BEGIN{printf \"%.2f\", $1 / $2}"; }

echo "== building trees in $WORK"
"$GEN" "$WORK/t200" 200000 2000 42 2000 2025
"$GEN" "$WORK/t400" 400000 4000 43 2000 2025
warm "$WORK/t200"

echo "== (a) test run over 200,000 files, best of $REPEAT"
read -r T_ARD C_ARD RSS_200 < <(measure 'rm -f "$PROTO"' \
  "$ARDEKO" archive "$WORK/t200" --until "$CUT_MONTH/$CUT_YEAR" --type '*.*')
DUE_ARD=$(grep -c "Archiviert: " "$PROTO" || true)
# The same walk with nothing due: what the walk costs without protocol lines for files.
read -r T_WALK C_WALK _ < <(measure 'rm -f "$PROTO"' \
  "$ARDEKO" archive "$WORK/t200" --until "1/$(( $(date +%Y) - 30 ))" --type '*.*')
read -r T_FIND C_FIND _ < <(measure 'rm -f "$WORK/find.txt"' \
  find "$WORK/t200" \( -name '.*' -o -name '~~~ *' \) -prune -o -type f ! -newermt "$FIND_BEFORE" \
  -fprintf "$WORK/find.txt" '%p (%TY-%Tm-%Td %TH:%TM)\n')
DUE_FIND=$(wc -l <"$WORK/find.txt")
read -r T_FINDP C_FINDP _ < <(measure 'rm -f "$WORK/find.txt"' \
  find "$WORK/t200" \( -name '.*' -o -name '~~~ *' \) -prune -o -type f ! -newermt "$FIND_BEFORE" \
  -fprintf "$WORK/find.txt" '%p\n')
read -r T_PY C_PY _ < <(measure 'rm -f "$WORK/peer.txt"' \
  python3 "$BENCH/peer_scandir.py" "$WORK/t200" "$CUT_MONTH" "$CUT_YEAR" "$WORK/peer.txt")
DUE_PY=$(grep -c "Archiviert: " "$WORK/peer.txt" || true)
# Where the test run's time goes in the kernel: its system calls, counted once.
SYSCALLS=""
if command -v strace >/dev/null; then
  rm -f "$PROTO"
  strace -c -o "$WORK/strace.txt" "$ARDEKO" archive "$WORK/t200" --until "$CUT_MONTH/$CUT_YEAR" --type '*.*' </dev/null >/dev/null
  SYSCALLS=$(awk '$NF ~ /^[a-z_0-9]+$/ && $4 ~ /^[0-9]+$/ && $NF != "total" && $4 >= 100 {printf "%s%s %'"'"'d", sep, $NF, $4; sep=", "}' "$WORK/strace.txt")
fi
rm -rf "$WORK/t200"

warm "$WORK/t400"
read -r T_400 C_400 RSS_400 < <(measure 'rm -f "$PROTO"' \
  "$ARDEKO" archive "$WORK/t400" --until "$CUT_MONTH/$CUT_YEAR" --type '*.*')
rm -rf "$WORK/t400"

echo "== (b) real run moving 20,000 files, best of $REPEAT (fresh identical trees each time)"
fresh_pair() {
  rm -rf "$WORK/move-a" "$WORK/move-b" "$PROTO" "$WORK/peer-move.txt"
  "$GEN" "$WORK/move-a" 20000 210 7 2000 2010 >/dev/null
  "$GEN" "$WORK/move-b" 20000 210 7 2000 2010 >/dev/null
  warm "$WORK/move-a"
  warm "$WORK/move-b"
}
T_MOVE="" C_MOVE="" T_SHUTIL="" C_SHUTIL=""
REPEAT_SAVED=$REPEAT
for _ in $(seq "$REPEAT_SAVED"); do
  fresh_pair
  REPEAT=1
  read -r t ct _ < <(measure ':' "$ARDEKO" archive "$WORK/move-a" --until "$CUT_MONTH/$CUT_YEAR" --type '*.*' --run)
  read -r p cp _ < <(measure ':' python3 "$BENCH/peer_move.py" "$WORK/move-b" "$CUT_MONTH" "$CUT_YEAR" "$WORK/peer-move.txt")
  REPEAT=$REPEAT_SAVED
  if [ -z "$T_MOVE" ] || awk "BEGIN{exit !($t < $T_MOVE)}"; then T_MOVE=$t C_MOVE=$ct; fi
  if [ -z "$T_SHUTIL" ] || awk "BEGIN{exit !($p < $T_SHUTIL)}"; then T_SHUTIL=$p C_SHUTIL=$cp; fi
done
MOVED_ARD=$(find "$WORK/move-a" -path '*/~~~ *' -type f | wc -l)
MOVED_PY=$(find "$WORK/move-b" -path '*/~~~ *' -type f | wc -l)

row() { printf '  %-40s %7.3f s  (CPU %6.3f s)  %9s files/s\n' "$1" "$2" "$3" "$(rate "$4" "$2")"; }
echo
echo "Load average at the end: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores (wall times suffer from other load; CPU times less so)"
echo
echo "Test run, 200,000 files (due: ardeko $DUE_ARD, find $DUE_FIND, Python $DUE_PY)"
row "ardeko archive (test run)" "$T_ARD" "$C_ARD" 200000
row "ardeko archive, nothing due (walk only)" "$T_WALK" "$C_WALK" 200000
row "find -newermt -fprintf (path, date)" "$T_FIND" "$C_FIND" 200000
row "find -newermt -fprintf (path only)" "$T_FINDP" "$C_FINDP" 200000
row "Python os.scandir walk + protocol lines" "$T_PY" "$C_PY" 200000
printf '  ardeko / find   = %s wall, %s CPU   (target: at most 1.1)\n' "$(ratio "$T_ARD" "$T_FIND")" "$(ratio "$C_ARD" "$C_FIND")"
printf '  ardeko / walk only = %s wall, %s CPU   (what the protocol lines cost on top of the walk)\n' "$(ratio "$T_ARD" "$T_WALK")" "$(ratio "$C_ARD" "$C_WALK")"
printf '  ardeko / Python = %s wall, %s CPU   (target: below 1)\n' "$(ratio "$T_ARD" "$T_PY")" "$(ratio "$C_ARD" "$C_PY")"
printf '  ardeko / find (path only) = %s wall, %s CPU\n' "$(ratio "$T_ARD" "$T_FINDP")" "$(ratio "$C_ARD" "$C_FINDP")"
printf '  walk only / find (path only) = %s wall, %s CPU\n' "$(ratio "$T_WALK" "$T_FINDP")" "$(ratio "$C_WALK" "$C_FINDP")"
[ -n "$SYSCALLS" ] && echo "  system calls of the test run (100 or more): $SYSCALLS"
echo
echo "Real run, 20,000 files moved (ardeko $MOVED_ARD, Python $MOVED_PY)"
row "ardeko archive --run" "$T_MOVE" "$C_MOVE" 20000
row "Python shutil.move + protocol lines" "$T_SHUTIL" "$C_SHUTIL" 20000
printf '  ardeko / shutil.move = %s wall, %s CPU   (target: at most 0.7)\n' "$(ratio "$T_MOVE" "$T_SHUTIL")" "$(ratio "$C_MOVE" "$C_SHUTIL")"
echo
echo "Peak memory of the test run (about 100 files per folder in both trees; target: it follows the widest"
echo "folder, so both figures alike)"
printf '  %-40s %8d KiB\n' "200,000 files, ~2,000 folders" "$RSS_200"
printf '  %-40s %8d KiB   (%.3f s, %s files/s)\n' "400,000 files, ~4,000 folders" "$RSS_400" "$T_400" "$(rate 400000 "$T_400")"
echo
echo "Resync of the wizard form by a renderer at one message pump"
"$BUILD/bench/form_sync" | sed 's/^/  /'
XDG_RUNTIME_DIR=$WORK QT_QPA_PLATFORM=offscreen "$BUILD/bench/qt_pump" | sed 's/^/  /'
echo
XDG_RUNTIME_DIR=$WORK QT_QPA_PLATFORM=offscreen "$BUILD/bench/qt_first_paint" | sed 's/^/  /'

# (e) Undo. The same real run over 20,000 files with its journal and without one (a folder
#     stands where the journal's file would be, so the run writes none: the cost of before),
#     then `ardeko undo --run` of the journalled run against that run. Fresh trees each time.
echo
echo "== (e) journal and undo, 20,000 files, best of $REPEAT"
JOURNAL="$XDG_DATA_HOME/Veltrano/Journal/Office.jsonl"
T_NOJ="" T_JRN="" T_UNDO=""
undo_best() { if [ -z "${!1}" ] || awk "BEGIN{exit !($2 < ${!1})}"; then printf -v "$1" '%s' "$2"; fi; }
for _ in $(seq "$REPEAT_SAVED"); do
  rm -rf "$WORK/undo-a" "$WORK/undo-b" "$JOURNAL" "$PROTO"
  "$GEN" "$WORK/undo-a" 20000 210 7 2000 2010 >/dev/null
  "$GEN" "$WORK/undo-b" 20000 210 7 2000 2010 >/dev/null
  warm "$WORK/undo-a"
  warm "$WORK/undo-b"
  REPEAT=1
  mkdir -p "$JOURNAL"
  read -r t _ _ < <(measure ':' "$ARDEKO" archive "$WORK/undo-b" --until "$CUT_MONTH/$CUT_YEAR" --type '*.*' --run)
  undo_best T_NOJ "$t"
  rmdir "$JOURNAL"
  read -r t _ _ < <(measure ':' "$ARDEKO" archive "$WORK/undo-a" --until "$CUT_MONTH/$CUT_YEAR" --type '*.*' --run)
  undo_best T_JRN "$t"
  read -r t _ _ < <(measure ':' "$ARDEKO" undo --run)
  undo_best T_UNDO "$t"
  REPEAT=$REPEAT_SAVED
  LEFT=$(find "$WORK/undo-a" -path '*/~~~ *' | wc -l)
  [ "$LEFT" -eq 0 ] || { echo "undo left $LEFT archived entries behind" >&2; exit 1; }
done
echo "Real run with and without the journal, and its undo (20,000 files)"
printf '  %-40s %7.3f s\n' "ardeko archive --run, no journal" "$T_NOJ" "ardeko archive --run, journal" "$T_JRN" \
  "ardeko undo --run" "$T_UNDO"
printf '  journal / no journal = %s   (target: at most 1.10)\n' "$(ratio "$T_JRN" "$T_NOJ")"
printf '  undo / run           = %s   (target: at most 1.2)\n' "$(ratio "$T_UNDO" "$T_JRN")"
rm -rf "$WORK/undo-a" "$WORK/undo-b"
