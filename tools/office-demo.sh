#!/usr/bin/env bash
# The add-in in the stand-in Word 16 under Wine on a virtual screen: registers OffArdeko.dll
# machine-wide in a scratch prefix, starts the host (which loads the add-in from its add-in
# list), clicks the ribbon's wizard button, saves a picture of the wizard over the host,
# closes it, ends the host and removes the registration.
#   tools/office-demo.sh BUILD_DIR   (a windows-x64 build)
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:?usage: tools/office-demo.sh BUILD_DIR}
case "$BUILD" in /*) ;; *) BUILD=$ROOT/$BUILD ;; esac
DLL=$BUILD/src/addin/win32/OffArdeko.dll
HOST=$BUILD/tests/officehost/officehost.exe
for f in "$DLL" "$HOST"; do
  [ -f "$f" ] || { echo "not built: $f (build the windows-x64 preset first)" >&2; exit 1; }
done

OUT=$BUILD/office-demo
rm -rf "$OUT"
mkdir -p "$OUT"
win() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }
export OFFICE_DEMO_PREFIX=$OUT/prefix OFFICE_DEMO_RUN=$ROOT/tools/wine-run
export OFFICE_DEMO_DLL=$(win "$DLL") OFFICE_DEMO_HOST=$HOST OFFICE_DEMO_SHOT=$(win "$OUT/office-demo.png")
# The label is what the add-in's GetLabel gives the button (German unless the settings say otherwise).
export OFFICE_DEMO_LABEL=${OFFICE_DEMO_LABEL:-Archivierungs- Assistent}

xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  set -eu
  run() { "$OFFICE_DEMO_RUN" "$OFFICE_DEMO_PREFIX" "$@"; }
  echo "== regsvr32 /s /n /i:machine OffArdeko.dll"
  run regsvr32 /s /n /i:machine "$OFFICE_DEMO_DLL"
  echo "== the stand-in Word 16 loads the add-in and clicks \"$OFFICE_DEMO_LABEL\""
  status=0
  run "$OFFICE_DEMO_HOST" Word16 --click "$OFFICE_DEMO_LABEL" --screenshot "$OFFICE_DEMO_SHOT" || status=$?
  echo "== regsvr32 /s /u /n /i:machine OffArdeko.dll"
  run regsvr32 /s /u /n /i:machine "$OFFICE_DEMO_DLL"
  WINEPREFIX="$OFFICE_DEMO_PREFIX" wineserver -w
  exit $status
'
echo "== picture of the wizard over the host: $OUT/office-demo.png"
