#!/usr/bin/env bash
# ardeko.exe under Wine on a scratch tree whose folder name has umlauts: what the Linux side
# made must arrive in the program, in its protocol and back on standard output unchanged.
# Usage: ardeko_exe.sh ARDEKO_EXE WINE_RUN PREFIX
set -uo pipefail
exe=$1 wine_run=$2 prefix=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }
# run NAME ARGS... < input: standard output and error of the program in NAME.out/NAME.err, with
# the Windows line ends taken out; the exit status in $code.
run() {
  local name=$1
  shift
  "$wine_run" "$prefix" "$exe" "$@" >"$work/$name.raw" 2>"$work/$name.rawerr"
  code=$?
  tr -d '\r' <"$work/$name.raw" >"$work/$name.out"
  tr -d '\r' <"$work/$name.rawerr" >"$work/$name.err"
}
has() { grep -qF -- "$2" "$work/$1" || { fail "$1 lacks: $2"; sed 's/^/    /' "$work/$1"; }; }

tree="$work/Ablage Größe"
mkdir -p "$tree"
echo alt >"$tree/alt.doc"
touch -d '2005-01-03 12:00' "$tree/alt.doc"
echo neu >"$tree/neu.doc"
win="Z:${tree//\//\\}"  # Wine shows the Linux root as drive Z:

run version --version </dev/null
[ "$code" -eq 0 ] || fail "--version exited with $code"
[ "$(head -n1 "$work/version.out")" = "Veltrano Archivierungs-Assistent v3.00" ] || fail "--version: $(cat "$work/version.out")"

# A protocol of an earlier run in this prefix would be printed as well.
run path protocol path </dev/null
proto_unix=$("$wine_run" "$prefix" winepath -u "$(cat "$work/path.out")" 2>/dev/null)
[ -n "$proto_unix" ] && rm -f "$proto_unix" "$(dirname "$(dirname "$proto_unix")")/Journal/Office.jsonl"

# The test run moves nothing and prints the protocol, which Windows keeps in the ANSI code page.
run test archive "$win" --until 6/2008 </dev/null
[ "$code" -eq 0 ] || fail "test run exited with $code: $(cat "$work/test.err")"
has test.out "Testlauf abgeschlossen - 2 Datei(en) geprüft, 1 Datei(en) archiviert..."
has test.out " - Startordner: $win"
has test.out " - Archiviert: $win\\alt.doc ("
has test.out " - in '$win\\~~~ 2005'"
[ -f "$tree/alt.doc" ] && [ ! -e "$tree/~~~ 2005" ] || fail "the test run moved files"

# The real run, asked before each file; the answer comes through a pipe.
run real archive "$win" --until 6/2008 --run --confirm < <(printf 'j\n')
[ "$code" -eq 0 ] || fail "real run exited with $code: $(cat "$work/real.err")"
has real.out "Datei '$win\\alt.doc'"
has real.out "[j]a / [n]ein / [a]bbrechen: j"
has real.out "Archivierung abgeschlossen - 2 Datei(en) geprüft, 1 Datei(en) archiviert..."
[ "$(cat "$tree/~~~ 2005/alt.doc" 2>/dev/null)" = alt ] || fail "alt.doc is not in '~~~ 2005'"
[ ! -e "$tree/alt.doc" ] && [ -f "$tree/neu.doc" ] || fail "the real run moved the wrong files"

# Undo, newest run first: a name the ANSI code page lacks comes back with its time; then restore.
echo omega >"$tree/Ωmega.doc"
touch -d '2004-02-03 10:00:00.123456789' "$tree/Ωmega.doc"
stamp=$(stat -c %y "$tree/Ωmega.doc")
run real2 archive "$win" --until 6/2008 --run </dev/null
[ -f "$tree/~~~ 2004/Ωmega.doc" ] || fail "Ωmega.doc was not archived"
run undo2 undo --run </dev/null
[ "$code" -eq 0 ] || fail "undo of run 2 exited with $code"
has undo2.out "Rückgängig abgeschlossen - 1 Datei(en) zurückgeholt..."
[ "$(stat -c %y "$tree/Ωmega.doc" 2>/dev/null)" = "$stamp" ] || fail "Ωmega.doc did not come back unchanged"
run undo1 undo --run </dev/null
[ "$(cat "$tree/alt.doc" 2>/dev/null)" = alt ] && [ ! -e "$tree/~~~ 2004" ] && [ ! -e "$tree/~~~ 2005" ] ||
  fail "undo of run 1 did not give the tree back: $(ls "$tree")"
mkdir -p "$tree/~~~ 2001/~~~ 02 Februar"
echo hand >"$tree/~~~ 2001/~~~ 02 Februar/hand.doc"
run restore restore "$win" --run </dev/null
[ "$code" -eq 0 ] && [ -f "$tree/hand.doc" ] && [ ! -e "$tree/~~~ 2001" ] || fail "restore: $(cat "$work/restore.out")"

# A full disk on the copy road (a read-only file is copied, then deleted), after "Ja" to the
# overwrite question: the archived file stays as it was, and neither a partial nor a temporary
# file is left (Wine's own copy would leave a partial one under the final name). Root only.
small="$work/klein"
mkdir -p "$small"
if [ "$(id -u)" -eq 0 ] && mount -t tmpfs -o size=64k tmpfs "$small" 2>/dev/null; then
  trap 'umount -l "$small"; rm -rf "$work"' EXIT
  mkdir "$small/~~~ 2005"
  echo alt >"$small/~~~ 2005/voll.doc"
  head -c 40000 /dev/urandom >"$small/voll.doc"
  touch -d '2005-01-03 12:00' "$small/voll.doc"
  chmod 444 "$small/voll.doc"
  sum=$(md5sum <"$small/voll.doc")
  run full archive "Z:${small//\//\\}" --until 6/2008 --run < <(printf 'j\n')
  [ "$code" -eq 1 ] || fail "full disk exited with $code: $(cat "$work/full.err")"
  has full.out "! Problem beim Verschieben von "
  [ "$(cat "$small/~~~ 2005/voll.doc")" = alt ] || fail "the archived file was changed"
  [ "$(ls -A "$small/~~~ 2005")" = voll.doc ] || fail "left behind: $(ls -A "$small/~~~ 2005")"
  [ "$(md5sum <"$small/voll.doc")" = "$sum" ] || fail "the source was changed"
fi

# Usage errors: exit status 2, German text on standard error, the name as it was typed.
run usage archive "$win\\Fehlt Ä" --until 6/2008 </dev/null
[ "$code" -eq 2 ] || fail "missing folder exited with $code"
has usage.err "ardeko: Startordner nicht gefunden: $win\\Fehlt Ä"
[ -s "$work/usage.out" ] && fail "usage error wrote to standard output"
run until archive "$win" --until 2008 </dev/null
[ "$code" -eq 2 ] || fail "bad --until exited with $code"
has until.err "Ungültige Angabe --until '2008': erwartet Monat/Jahr, z.B. 6/2008."

[ $status -eq 0 ] && echo "ardeko.exe under Wine: all checks passed"
exit $status
