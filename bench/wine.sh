#!/usr/bin/env bash
# The benchmark of ardeko.exe under Wine (prints figures; never part of the tests).
#   bench/wine.sh BUILD_DIR_X64     (the build of the windows-x64 preset)
# Environment: ARDEKO_BENCH_DIR (scratch folder, default /tmp/ardeko-wine-bench),
# ARDEKO_BENCH_REPEAT (runs per timing, best counts; default 5).
#
# A test run of `ardeko.exe archive` over 20,000 files in ~210 folders against the peer that
# Wine brings along, `cmd /c dir /s /b /a-d TREE`, which walks the same tree through the same
# Win32 layer and prints every file's path. Both run in one Wine prefix with its server kept
# alive, alternating, warm cache; the tree is made on the Linux side (Wine shows it as Z:).
#
# Then the add-in in the stand-in Office hosts (tests/officehost, on a virtual screen): what it
# costs each host's start, from creating the connection object to the return of the last
# callback the host makes at start-up, against creating a trivial COM object; and the wizard's
# opening, from the click that calls ShowWizard to the end of its first WM_PAINT. Warm: one
# start that is not counted, then the best of ARDEKO_BENCH_REPEAT.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:?usage: bench/wine.sh BUILD_DIR_X64}
case "$BUILD" in /*) ;; *) BUILD=$ROOT/$BUILD ;; esac
cmake --build "$BUILD" --target ardeko OffArdeko officehost >/dev/null
EXE=$BUILD/apps/ardeko/ardeko.exe
DLL=$BUILD/src/addin/win32/OffArdeko.dll
HOST=$BUILD/tests/officehost/officehost.exe
command -v /usr/bin/time >/dev/null || { echo "bench/wine.sh needs /usr/bin/time (package 'time')" >&2; exit 1; }

WORK=${ARDEKO_BENCH_DIR:-/tmp/ardeko-wine-bench}
REPEAT=${ARDEKO_BENCH_REPEAT:-5}
FILES=20000
rm -rf "$WORK"
mkdir -p "$WORK"
export WINEPREFIX=$WORK/prefix WINEDEBUG=-all LC_ALL=${LC_ALL:-C.UTF-8}
cleanup() { wineserver -k 2>/dev/null || true; rm -rf "$WORK"; }
trap cleanup EXIT

echo "== preparing a Wine prefix and a tree of $FILES files in $WORK"
"$ROOT/tools/wine-run" "$WINEPREFIX" cmd /c ver >/dev/null
wineserver -w
wineserver -p  # the server stays up between the runs, as it would between two commands typed
g++ -O2 -std=c++20 -o "$WORK/gen_tree" "$ROOT/bench/gen_tree.cpp"
"$WORK/gen_tree" "$WORK/tree" "$FILES" 210 7 2000 2025 >/dev/null
TREE="Z:${WORK//\//\\}\\tree"
PROTO=$(wine winepath -u "$(wine "$EXE" protocol path | tr -d '\r')" 2>/dev/null)

ARDEKO=(wine "$EXE" archive "$TREE" --until 12/2012 --type '*.*')
PEER=(wine cmd /c dir /s /b /a-d "$TREE")

# once -> "wall_s cpu_s" of one run of the command, standard input from /dev/null, output to
# a file (counted afterwards) so that nothing is drawn.
once() {
  /usr/bin/time -o "$WORK/time.txt" -f '%e %U %S %x' "$@" </dev/null >"$WORK/out.txt" 2>"$WORK/err.txt" || true
  local t u s code
  read -r t u s code <"$WORK/time.txt"
  if [ "$code" -ne 0 ]; then echo "command failed ($code): $*" >&2; cat "$WORK/err.txt" >&2; exit 1; fi
  echo "$t $(awk "BEGIN{print $u + $s}")"
}
better() { [ -z "$1" ] || awk "BEGIN{exit !($2 < $1)}"; }

find "$WORK/tree" -printf '%T@\n' >/dev/null
rm -f "$PROTO"; once "${ARDEKO[@]}" >/dev/null  # warm-up: caches, Wine's DLLs
once "${PEER[@]}" >/dev/null

echo "== test run against dir /s, alternating, best of $REPEAT"
T_ARD="" C_ARD="" T_DIR="" C_DIR=""
for _ in $(seq "$REPEAT"); do
  rm -f "$PROTO"
  read -r t c < <(once "${ARDEKO[@]}")
  if better "$T_ARD" "$t"; then T_ARD=$t C_ARD=$c; fi
  DUE=$(grep -c " - Archiviert: " "$PROTO" || true)
  read -r t c < <(once "${PEER[@]}")
  if better "$T_DIR" "$t"; then T_DIR=$t C_DIR=$c; fi
  LISTED=$(wc -l <"$WORK/out.txt")
done

rate() { awk "BEGIN{printf \"%'d\", $1 / $2}"; }
ratio() { awk "BEGIN{printf \"%.2f\", $1 / $2}"; }
row() { printf '  %-44s %7.3f s  (CPU %6.3f s)  %9s files/s\n' "$1" "$2" "$3" "$(rate "$FILES" "$2")"; }
echo
echo "Load average at the end: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores; $(wine --version)"
echo "CPU: what /usr/bin/time sees of the wine process; the server's share is in neither figure and"
echo "cmd's walk largely happens outside it, so only the wall times compare."
echo
echo "Test run under Wine, $FILES files (ardeko: $DUE due; dir: $LISTED paths listed)"
row "ardeko.exe archive (test run)" "$T_ARD" "$C_ARD"
row "cmd /c dir /s /b /a-d" "$T_DIR" "$C_DIR"
printf '  ardeko.exe / dir = %s wall   (target: at most 0.9)\n' "$(ratio "$T_ARD" "$T_DIR")"

echo
echo "The add-in in the stand-in hosts under Wine (virtual screen), warm, best of $REPEAT"
wine regsvr32 /s /n /i:machine "Z:${DLL//\//\\}" </dev/null >/dev/null 2>&1 ||
  { echo "  regsvr32 could not register OffArdeko.dll"; exit 1; }
for host in Word16 Excel12 PowerPoint14 Word11 Access11; do
  # A wizard that never paints would keep the host waiting: give up on that host after 5 minutes.
  timeout -k 5 300 xvfb-run -a -s "-screen 0 1280x1024x24" wine "$HOST" "$host" --time "$REPEAT" </dev/null \
    2>/dev/null | tr -d '\r' | sed 's/^/  /' || echo "  $host: no figures (the host failed or timed out)"
done
echo "  (Word11 and Access11 have no ribbon: their start is the connection with the File menu's button.)"
