#!/usr/bin/env bash
# Saves PNG pictures of the dialogs (wizard, About, the overwrite question and the summary box
# of a real run), German and English, drawn by the Qt renderer on a virtual X screen.
#   tools/qt-screenshots.sh [OUTDIR]      (default docs/images/; BUILD_DIR from $ARDEKO_BUILD,
#                                          default build/linux-release)
# Needs xvfb-run (packages xvfb, xauth; ./run installs them).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT=${1:-$ROOT/docs/images}
BUILD=${ARDEKO_BUILD:-$ROOT/build/linux-release}
case "$BUILD" in /*) ;; *) BUILD=$ROOT/$BUILD ;; esac
command -v xvfb-run >/dev/null || { echo "qt-screenshots.sh needs xvfb-run (package xvfb)" >&2; exit 1; }
cmake --build "$BUILD" --target ardeko-wizard-screenshots >/dev/null

# A private profile: the screenshots neither read nor change the user's settings.
# The run's folder has a fixed name: its path shows in the question.
SCRATCH=$(mktemp -d)
FOLDER=/tmp/ardeko-screenshots
rm -rf "$FOLDER"
trap 'rm -rf "$SCRATCH" "$FOLDER"' EXIT
mkdir -p "$OUT"
# A dialog that never comes would leave the program waiting for it: give up after two minutes.
timeout -k 5 120 env -u WAYLAND_DISPLAY XDG_CONFIG_HOME="$SCRATCH/config" XDG_DATA_HOME="$SCRATCH/data" \
    XDG_RUNTIME_DIR="$SCRATCH" QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 \
    xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" \
    "$BUILD/apps/ardeko-wizard/ardeko-wizard-screenshots" "$OUT" "$FOLDER/Dokumente/Berichte"
