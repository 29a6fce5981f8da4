#!/usr/bin/env bash
# Two builds of `ardeko` side by side: what a change costs (prints figures; never a test).
#   bench/compare.sh BUILD_DIR OTHER_ARDEKO
# BUILD_DIR is this tree's build (its ardeko and gen_tree are used), OTHER_ARDEKO the program to
# compare with (say, a build of an earlier commit). The two take turns on the same warm trees,
# so that other load on the machine falls on both alike; the best of ARDEKO_BENCH_REPEAT
# (default 5) counts:
#   a test run over 200,000 files in ~2,000 folders, and a real run moving 20,000 files (a fresh
#   identical tree for each program and turn).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:?usage: bench/compare.sh BUILD_DIR OTHER_ARDEKO}
OTHER=${2:?usage: bench/compare.sh BUILD_DIR OTHER_ARDEKO}
case "$BUILD" in /*) ;; *) BUILD=$ROOT/$BUILD ;; esac
cmake --build "$BUILD" --target ardeko gen_tree >/dev/null
THIS=$BUILD/apps/ardeko/ardeko GEN=$BUILD/bench/gen_tree
REPEAT=${ARDEKO_BENCH_REPEAT:-5}
WORK=${ARDEKO_BENCH_DIR:-/tmp/ardeko-compare}
rm -rf "$WORK" && mkdir -p "$WORK"
trap 'rm -rf "$WORK"' EXIT
export XDG_CONFIG_HOME=$WORK/home/config XDG_DATA_HOME=$WORK/home/data ARDEKO_OPENER=true TZ=${TZ:-:/etc/localtime}
unset DISPLAY WAYLAND_DISPLAY
PROTO="$XDG_DATA_HOME/Veltrano/Office Archivierungs-Assistent/Protokoll Office-Archivierung.txt"
JOURNAL="$XDG_DATA_HOME/Veltrano/Journal/Office.jsonl"

# seconds of wall time of one run of the command
wall() {
  rm -f "$PROTO" "$JOURNAL"
  local s e
  s=$(date +%s%N)
  "$@" </dev/null >/dev/null
  e=$(date +%s%N)
  awk "BEGIN{printf \"%.3f\", ($e - $s) / 1e9}"
}
best() { if [ -z "$1" ] || awk "BEGIN{exit !($2 < $1)}"; then echo "$2"; else echo "$1"; fi; }

"$GEN" "$WORK/t200" 200000 2000 42 2000 2025 >/dev/null
find "$WORK/t200" -printf '%T@\n' >/dev/null
TEST_THIS="" TEST_OTHER="" MOVE_THIS="" MOVE_OTHER=""
for _ in $(seq "$REPEAT"); do
  TEST_THIS=$(best "$TEST_THIS" "$(wall "$THIS" archive "$WORK/t200" --until 12/2012 --type '*.*')")
  TEST_OTHER=$(best "$TEST_OTHER" "$(wall "$OTHER" archive "$WORK/t200" --until 12/2012 --type '*.*')")
  rm -rf "$WORK/m1" "$WORK/m2"
  "$GEN" "$WORK/m1" 20000 210 7 2000 2010 >/dev/null
  "$GEN" "$WORK/m2" 20000 210 7 2000 2010 >/dev/null
  find "$WORK/m1" "$WORK/m2" -printf '%T@\n' >/dev/null
  MOVE_THIS=$(best "$MOVE_THIS" "$(wall "$THIS" archive "$WORK/m1" --until 12/2012 --type '*.*' --run)")
  MOVE_OTHER=$(best "$MOVE_OTHER" "$(wall "$OTHER" archive "$WORK/m2" --until 12/2012 --type '*.*' --run)")
done
echo "Best of $REPEAT, taking turns; load average at the end: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
printf '  %-34s %8s s   other %8s s   this / other = %s\n' \
  "test run, 200,000 files" "$TEST_THIS" "$TEST_OTHER" "$(awk "BEGIN{printf \"%.2f\", $TEST_THIS / $TEST_OTHER}")" \
  "real run, 20,000 files moved" "$MOVE_THIS" "$MOVE_OTHER" "$(awk "BEGIN{printf \"%.2f\", $MOVE_THIS / $MOVE_OTHER}")"
