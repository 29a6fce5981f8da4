#!/usr/bin/env bash
# Saves PNG pictures of the three dialogs (wizard, message dialog, About), German and English,
# as the Windows renderer draws them, on a virtual X screen under Wine.
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
trap 'WINEPREFIX="$PREFIX" wineserver -k 2>/dev/null || true; rm -rf "$PREFIX"' EXIT
mkdir -p "$OUT"
# Wine sees the Linux root as drive Z:.
WIN_OUT="Z:${OUT//\//\\}"
LC_ALL=de_DE.UTF-8 xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" \
  "$ROOT/tools/wine-run" "$PREFIX/wine" "$BUILD/apps/ardeko-wizard/ardeko-wizard-screenshots.exe" "$WIN_OUT"
