#!/usr/bin/env bash
# Saves PNG pictures of the dialogs (wizard, About, the overwrite question, a standard box),
# German and English, as the Windows renderer draws them on a virtual X screen under Wine: at
# 96 dpi (NAME-de.png) and at 144 dpi (NAME-de-144dpi.png), the prefix's screen scaling.
#   tools/screenshots.sh [OUTDIR]     (default docs/images/windows; the 64-bit Windows build
#                                      from $ARDEKO_WINDOWS_BUILD, default build/windows-x64)
# Needs xvfb-run and Wine (./run installs them). The Linux desktop pictures come from
# tools/qt-screenshots.sh.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT=${1:-$ROOT/docs/images/windows}
BUILD=${ARDEKO_WINDOWS_BUILD:-$ROOT/build/windows-x64}
case "$BUILD" in /*) ;; *) BUILD=$ROOT/$BUILD ;; esac
case "$OUT" in /*) ;; *) OUT=$PWD/$OUT ;; esac
command -v xvfb-run >/dev/null || { echo "screenshots.sh needs xvfb-run (package xvfb)" >&2; exit 1; }
command -v wine >/dev/null || { echo "screenshots.sh needs Wine (packages wine, wine64)" >&2; exit 1; }
cmake --build "$BUILD" --target ardeko-wizard-screenshots >/dev/null

# A prefix of its own: the pictures neither read nor change anyone's settings.
PREFIX=$(mktemp -d)
trap 'WINEPREFIX="$PREFIX/wine" wineserver -w; WINEPREFIX="$PREFIX/wine" wineserver -k 2>/dev/null || true; rm -rf "$PREFIX"' EXIT
mkdir -p "$OUT"
# Wine sees the Linux root as drive Z:.
WIN_OUT="Z:${OUT//\//\\}"
EXE=$BUILD/apps/ardeko-wizard/ardeko-wizard-screenshots.exe
export ROOT PREFIX EXE WIN_OUT
LC_ALL=de_DE.UTF-8 xvfb-run -a -s "-screen 0 1600x1200x24" bash -c '
  set -e
  "$ROOT/tools/wine-run" "$PREFIX/wine" "$EXE" "$WIN_OUT"
  WINEPREFIX="$PREFIX/wine" WINEDEBUG=-all wine reg add "HKCU\\Control Panel\\Desktop" /v LogPixels /t REG_DWORD /d 144 /f >/dev/null
  "$ROOT/tools/wine-run" "$PREFIX/wine" "$EXE" "$WIN_OUT" -144dpi
'
