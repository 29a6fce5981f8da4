#!/usr/bin/env bash
# A real run killed in the middle, then undone: the tree must come back exactly (every name,
# size and last-write time, no archive folder left). Run by hand; prints one line per round
# and the totals. Not a test: it takes a while and its figures vary from round to round.
#   tools/kill-undo.sh linux BUILD_DIR     [ROUNDS] [FILES]   (SIGKILL to the program)
#   tools/kill-undo.sh wine  BUILD_DIR_X64 [ROUNDS] [FILES]   (wineserver -k)
# Environment: ARDEKO_KILL_DIR (scratch folder, default /tmp/ardeko-kill-undo).
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
MODE=${1:?usage: tools/kill-undo.sh linux|wine BUILD_DIR [ROUNDS] [FILES]}
BUILD=${2:?usage: tools/kill-undo.sh linux|wine BUILD_DIR [ROUNDS] [FILES]}
ROUNDS=${3:-5}
FILES=${4:-5000}
case "$BUILD" in /*) ;; *) BUILD=$ROOT/$BUILD ;; esac
WORK=${ARDEKO_KILL_DIR:-/tmp/ardeko-kill-undo}
rm -rf "$WORK"
mkdir -p "$WORK"
g++ -O2 -std=c++20 -o "$WORK/gen_tree" "$ROOT/bench/gen_tree.cpp"

if [ "$MODE" = wine ]; then
  export WINEPREFIX=$WORK/prefix WINEDEBUG=-all
  cleanup() { wineserver -k 2>/dev/null || true; rm -rf "$WORK"; }
  trap cleanup EXIT
  "$ROOT/tools/wine-run" "$WINEPREFIX" cmd /c ver >/dev/null
  EXE=$BUILD/apps/ardeko/ardeko.exe
  tree_arg() { echo "Z:${1//\//\\}"; }
  ardeko() { wine "$EXE" "$@"; }
  start_run() { wine "$EXE" archive "$1" --until 12/2012 --type '*.*' --run </dev/null >/dev/null 2>&1 & pid=$!; }
  kill_run() { wineserver -k; wait "$1" 2>/dev/null || true; }
  JOURNAL=$WINEPREFIX/drive_c/users/${USER:-$(id -un)}/AppData/Roaming/Veltrano/Journal/Office.jsonl
else
  trap 'rm -rf "$WORK"' EXIT
  export XDG_CONFIG_HOME=$WORK/home XDG_DATA_HOME=$WORK/home ARDEKO_OPENER=true
  unset DISPLAY WAYLAND_DISPLAY
  EXE=$BUILD/apps/ardeko/ardeko
  tree_arg() { echo "$1"; }
  ardeko() { "$EXE" "$@"; }
  # Started here, not through a function in the background: $! is then the program itself.
  start_run() { "$EXE" archive "$1" --until 12/2012 --type '*.*' --run </dev/null >/dev/null 2>&1 & pid=$!; }
  kill_run() { kill -KILL "$1"; wait "$1" 2>/dev/null || true; }
  JOURNAL=$XDG_DATA_HOME/Veltrano/Journal/Office.jsonl
fi

# Every file with size and time to the nanosecond, and every folder.
snapshot() { (cd "$1" && find . -mindepth 1 \( -type d -printf 'd %P\n' \) -o \( -type f -printf 'f %P %s %T@\n' \)) | sort; }

exact=0
echo "== $MODE: $ROUNDS rounds, $FILES files each, killed after a random number of moves"
for round in $(seq "$ROUNDS"); do
  tree=$WORK/tree$round
  "$WORK/gen_tree" "$tree" "$FILES" $((FILES / 100 + 1)) "$round" 2000 2010 >/dev/null
  snapshot "$tree" >"$WORK/before"
  results_before=$(grep -c '"t":"result"' "$JOURNAL" 2>/dev/null || true)
  target=$((results_before + RANDOM % (FILES / 2) + 1))
  start_run "$(tree_arg "$tree")"
  while kill -0 "$pid" 2>/dev/null && [ "$(grep -c '"t":"result"' "$JOURNAL" 2>/dev/null || echo 0)" -lt "$target" ]; do
    sleep 0.005
  done
  kill_run "$pid"
  moved=$(find "$tree" -path '*/~~~ *' -type f | wc -l)
  open=$(tail -n 1 "$JOURNAL" | grep -c '"t":"intent"' || true)
  start=$(date +%s.%N)
  ardeko undo --run </dev/null >/dev/null 2>&1 || true
  took=$(awk "BEGIN{printf \"%.2f\", $(date +%s.%N) - $start}")
  snapshot "$tree" >"$WORK/after"
  if cmp -s "$WORK/before" "$WORK/after"; then same=yes exact=$((exact + 1)); else same=NO; fi
  echo "  round $round: killed after $moved of $FILES files moved (last record an open intent: $open)," \
       "undo in $took s, tree identical: $same"
  [ "$same" = yes ] || diff "$WORK/before" "$WORK/after" | head -5 | sed 's/^/      /' || true
  rm -rf "$tree"
done
echo "== $exact of $ROUNDS killed runs undone exactly"
