#!/usr/bin/env bash
# Races real archive runs against another process that swaps folders for links to a folder
# outside the start folder, the way somebody with write access to a shared folder could, and
# counts what happened outside: files moved there or away, folders created there. Run by hand;
# not part of the tests. So that the other process does not have to be lucky, the run is held
# up for a moment (strace's fault injection) just after the system calls that open each window:
# the listings, the creation of folders, the renames.
#   tools/swap_race.sh [MOMENT] [FILES]
#     MOMENT: listed   a subfolder, after the run listed it and before it is entered
#             made     an archive folder, once the run has made it and before it is filled
#             checked  an existing archive folder, while the run moves files into it
#             all      each of them in turn (default)
# ARDEKO (default build/linux-release/apps/ardeko/ardeko) names the program to race, so that an
# older build can be measured the same way.
set -euo pipefail
cd "$(dirname "$0")/.."
moment=${1:-all} files=${2:-5000}
ardeko=${ARDEKO:-$PWD/build/linux-release/apps/ardeko/ardeko}
[ -x "$ardeko" ] || { echo "no program at $ardeko (build linux-release first)" >&2; exit 1; }
folders=100 per=$((files / folders))
work=$(mktemp -d /tmp/ardeko-swap.XXXXXX)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share ARDEKO_OPENER=true
mkdir -p "$HOME"

race() {
  local moment=$1 tree=$work/Ablage outside=$work/Anderswo
  local protocol="$XDG_DATA_HOME/Veltrano/Office Archivierungs-Assistent/Protokoll Office-Archivierung.txt"
  rm -rf "$tree" "$outside" "$HOME/.local"
  # Both trees hold due files (March 2005): the start folder's folders and the ones outside
  # that a link would lead to.
  python3 - "$tree" "$outside" "$folders" "$per" "$moment" <<'PY'
import os, sys, time
tree, outside, folders, per, moment = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4]), sys.argv[5]
when = time.mktime((2005, 3, 3, 12, 0, 0, 0, 0, -1))
for top, prefix in ((tree, "Ordner"), (outside, "Fremd")):
    for f in range(folders):
        d = os.path.join(top, "%s%d" % (prefix, f))
        os.makedirs(os.path.join(d, "~~~ 2005", "~~~ 03 März") if moment == "checked" and top == tree else d, exist_ok=True)
        for i in range(per):
            p = os.path.join(d, "Datei%d.doc" % i)
            with open(p, "w") as fh:
                fh.write(p)
            os.utime(p, (when, when))
PY
  (cd "$outside" && find . | sort) >"$work/outside-before"
  (cd "$tree" && find . -type f | sort) >"$work/tree-before"

  # The other process: swaps as fast as it can while the run goes on.
  rm -f "$work/stop"
  python3 - "$tree" "$outside" "$folders" "$moment" "$work/stop" "$protocol" <<'PY' &
import os, sys
tree, outside, folders, moment, stop, protocol = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4], sys.argv[5], sys.argv[6]
def swap(path, to, aside):
    try:
        os.rename(path, aside)
        os.symlink(to, path)
        return True
    except OSError:
        return False
pending = set(range(folders))
while pending and not os.path.exists(stop):
    for f in sorted(pending):
        d = os.path.join(tree, "Ordner%d" % f)
        archive = os.path.join(d, "~~~ 2005")
        if moment == "listed":
            # Once the run has made an archive folder, its list of subfolders is made: every
            # folder it has not entered yet becomes a link.
            if not any(os.path.isdir(os.path.join(tree, "Ordner%d" % g, "~~~ 2005")) for g in range(folders)):
                break
            if not os.path.lexists(archive) and swap(d, os.path.join(outside, "Fremd%d" % f), d + ".alt"):
                pending.discard(f)
        elif moment == "made":
            if os.path.isdir(archive) and not os.path.islink(archive) and swap(archive, os.path.join(outside, "Fremd%d" % f), os.path.join(d, "Beiseite")):
                pending.discard(f)
        elif moment == "checked":
            # The run has begun to fill this folder's archive: its first file is in.
            month = os.path.join(archive, "~~~ 03 März")
            if os.path.isdir(month) and os.listdir(month) and swap(archive, os.path.join(outside, "Fremd%d" % f), os.path.join(d, "Beiseite")):
                pending.discard(f)
print(len(set(range(folders)) - pending), file=open(stop + ".swapped", "w"))
PY
  local attacker=$!
  local start end
  start=$(date +%s.%N)
  local calls
  case $moment in
    listed) calls=getdents64 ;;
    made) calls=mkdir,mkdirat ;;
    checked) calls=rename,renameat,renameat2 ;;
  esac
  strace -f -qq -o /dev/null -e trace="$calls" -e inject="$calls":delay_exit=5000 \
    "$ardeko" archive "$tree" --until 12/2008 --folders month --type '*.*' --run </dev/null >/dev/null 2>&1 || true
  end=$(date +%s.%N)
  touch "$work/stop"
  wait "$attacker" || true
  (cd "$outside" && find . | sort) >"$work/outside-after"
  local gone created archived swapped lost
  gone=$(comm -23 "$work/outside-before" "$work/outside-after" | wc -l)
  created=$(comm -13 "$work/outside-before" "$work/outside-after" | wc -l)
  archived=$(grep -c "Archiviert: " "$protocol" || true)
  swapped=$(cat "$work/stop.swapped" 2>/dev/null || echo 0)
  # Nothing of the start folder's may be lost either: every file's content is still in it.
  lost=$(python3 - "$tree" "$work/tree-before" <<'PY'
import os, sys
tree, before = sys.argv[1], sys.argv[2]
have = set()
for d, dirs, names in os.walk(tree):
    for n in names:
        p = os.path.join(d, n)
        if not os.path.islink(p):
            have.add(open(p).read())
print(sum(1 for l in open(before) if tree + l.strip()[1:] not in have))
PY
  )
  printf '%-8s %3d folders swapped | outside the start folder: %4d entries moved away, %4d created | start folder: %d files lost, %d archived, %s s\n' \
    "$moment" "$swapped" "$gone" "$created" "$lost" "$archived" "$(awk "BEGIN{printf \"%.1f\", $end - $start}")"
}

echo "== $files files in $folders folders, month folders, program $ardeko"
if [ "$moment" = all ]; then
  for m in listed made checked; do race "$m"; done
else
  race "$moment"
fi
