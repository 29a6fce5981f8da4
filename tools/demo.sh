#!/usr/bin/env bash
# Demonstrates the command line on a small folder tree: a test run, the real run, the protocol.
#   tools/demo.sh BUILD_DIR
# Everything happens inside ./demo (settings and protocol in demo/.home), so the real profile
# of the person running it stays untouched.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:?usage: tools/demo.sh BUILD_DIR}
case "$BUILD" in /*) ;; *) BUILD=$ROOT/$BUILD ;; esac
ARDEKO=$BUILD/apps/ardeko/ardeko
[ -x "$ARDEKO" ] || { echo "ardeko not found: $ARDEKO (build first: ./run build)" >&2; exit 1; }

DEMO=$ROOT/demo
rm -rf "$DEMO"
mkdir -p "$DEMO/.home"
export XDG_CONFIG_HOME=$DEMO/.home/config XDG_DATA_HOME=$DEMO/.home/data HOME=$DEMO/.home
# Show documents in this terminal rather than in a desktop program.
unset DISPLAY WAYLAND_DISPLAY ARDEKO_OPENER
# German dates in the protocol when the locale is there.
if locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then export LC_ALL=de_DE.UTF-8; fi

NOW=$(date +%Y)
CUT=$((NOW - 2))

# name, date of last change
make_file() {
  mkdir -p "$(dirname "$DEMO/$1")"
  printf 'Inhalt von %s\n' "$1" > "$DEMO/$1"
  touch -d "$2" "$DEMO/$1"
}
make_file "Berichte/Jahresbericht $((NOW - 7)).docx"   "$((NOW - 7))-03-14 09:30"
make_file "Berichte/Übersicht Märkte.xlsx"             "$((NOW - 3))-11-02 16:05"
make_file "Berichte/Angebot neu.docx"                  "$((NOW - 1))-06-20 11:00"
make_file "Berichte/Entwürfe/Brief an Müller.txt"      "$CUT-12-15 08:45"
make_file "Berichte/Entwürfe/Notizen.md"               "now"
make_file "Fotos/Ausflug nach Öhringen.jpg"            "$((NOW - 5))-07-01 14:20"
make_file ".versteckt.txt"                             "$((NOW - 6))-01-10 10:00"
make_file "liesmich.txt"                               "now"

show_tree() {
  (cd "$DEMO" && find . -path ./.home -prune -o -type f -printf '%TY-%Tm-%Td  %p\n' | sort -k2)
}

step() { printf '\n\033[1m== %s\033[0m\n$ %s\n\n' "$1" "$2"; }

step "Der Ordner demo vorher (Datum der letzten Änderung, Pfad)" "find demo -type f"
show_tree

status=0
step "1. Testlauf: was würde archiviert? Es wird nichts verschoben." \
     "ardeko archive demo --until 12/$CUT --type '*.*'"
(cd "$ROOT" && "$ARDEKO" archive demo --until "12/$CUT" --type '*.*' </dev/null) || status=$?
echo "(Rückgabewert $status)"

status=0
step "2. Archivierung: alles bis Dezember $CUT wandert in '~~~ Jahr'-Ordner im eigenen Ordner." \
     "ardeko archive demo --until 12/$CUT --type '*.*' --run"
(cd "$ROOT" && "$ARDEKO" archive demo --until "12/$CUT" --type '*.*' --run </dev/null) || status=$?
echo "(Rückgabewert $status)"

step "Der Ordner demo nachher (versteckte Dateien werden nie archiviert)" "find demo -type f"
show_tree

step "3. Das Protokoll beider Läufe" "ardeko protocol show"
"$ARDEKO" protocol show </dev/null
