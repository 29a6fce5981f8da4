# Sourced by the installer tests: a scratch folder, failures noted, the Wine prefix made afresh.
set -uo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }
finish() { [ $status -eq 0 ] && echo "$1: all checks passed"; exit $status; }

# fresh_prefix WINE_RUN PREFIX. A server left by an interrupted earlier run would serve the
# deleted prefix, and it ends only a moment after -k returns.
fresh_prefix() {
  wine_run=$1
  export WINEPREFIX=$2 WINEDEBUG=-all
  if [ -d "$2" ]; then
    wineserver -k >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
  fi
  rm -rf "$2" "$2.lock"
}
wine() { "$wine_run" "$WINEPREFIX" "$@"; }
winpath() { wine winepath -w "$1" | tr -d '\r'; }
