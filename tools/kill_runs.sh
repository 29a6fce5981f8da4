#!/usr/bin/env bash
# Kills real archive runs in the middle and counts what is left: files before and after, files
# lost, files whose content is not what it was (a truncated copy under a real name), and our
# temporaries left after a last run that is not killed. Run by hand (root: the copy road on
# Linux needs tmpfs mounts); not part of the tests.
#   tools/kill_runs.sh linux   [FILES] [KILLS]   uses build/linux-release/apps/ardeko/ardeko
#   tools/kill_runs.sh windows [FILES] [KILLS]   uses build/windows-x64/apps/ardeko/ardeko.exe under Wine
# A quarter of the folders take the copy road: their archive folder is another file system (a
# tmpfs, which Wine also sees as another volume).
set -euo pipefail
cd "$(dirname "$0")/.."
platform=${1:-linux} files=${2:-20000} kills=${3:-8}
# Seconds until a kill, times a random 0.2 to 1.2: short enough that the runs are cut off.
delay=${KILL_DELAY:-$([ "$platform" = linux ] && echo 0.3 || echo 3)}
folders=100 per=$((files / folders))
work=$(mktemp -d /tmp/ardeko-kill.XXXXXX)
mounts=()
cleanup() {
  for m in "${mounts[@]}"; do umount -l "$m" 2>/dev/null || true; done
  chmod -R u+w "$work" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
tree=$work/Ablage
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
mkdir -p "$HOME"

echo "== $platform: $files files in $folders folders, $kills kills"
for ((f = 0; f < folders; f += 4)); do
  mkdir -p "$tree/Ordner$f/~~~ 2005"
  mount -t tmpfs -o size=200m tmpfs "$tree/Ordner$f/~~~ 2005"
  mounts+=("$tree/Ordner$f/~~~ 2005")
done
# Mostly small files; every 50th is 2 MB so that kills also land inside copies.
python3 - "$tree" "$folders" "$per" <<'PY'
import os, sys, time
tree, folders, per = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
when = time.mktime((2005, 3, 3, 12, 0, 0, 0, 0, -1))
for f in range(folders):
    d = os.path.join(tree, "Ordner%d" % f)
    os.makedirs(d, exist_ok=True)
    for i in range(per):
        p = os.path.join(d, "Datei%d.doc" % i)
        size = 2000000 if i % 50 == 0 else 1000 + (i * 37) % 8000
        with open(p, "wb") as out:
            out.write(p.encode() + b"\n" + b"x" * size)
        os.utime(p, (when, when))
PY
# "md5 path" of every file of ours below the tree, path relative.
sums() { (cd "$tree" && find . -type f ! -name '.ardeko~*' -print0 | xargs -0 md5sum | sed 's/^\(.\{32\}\)  \.\//\1 /'); }
echo "made in ${SECONDS}s"
sums >"$work/before"

if [ "$platform" = linux ]; then
  run_cmd=(build/linux-release/apps/ardeko/ardeko archive "$tree" --until 12/2008 --run)
else
  export WINEPREFIX=$work/prefix WINEDEBUG=-all
  wine wineboot -i >/dev/null 2>&1
  run_cmd=(wine build/windows-x64/apps/ardeko/ardeko.exe archive "Z:${tree//\//\\}" --until 12/2008 --run)
fi

for ((k = 1; k <= kills; k++)); do
  "${run_cmd[@]}" </dev/null >/dev/null 2>&1 &
  pid=$!
  sleep "$(awk -v s="$k" -v delay="$delay" 'BEGIN { srand(s); printf "%.2f", delay * (0.2 + rand()) }')"
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  temps=$(find "$tree" -name '.ardeko~*' | wc -l)
  waiting=$(find "$tree" -name '~~~ 2005' -prune -o -type f -print | wc -l)
  echo "kill $k: files not yet archived: $waiting, temporaries right after the kill: $temps"
done
echo "last run at ${SECONDS}s"
"${run_cmd[@]}" </dev/null >/dev/null 2>&1 || true
echo "checking at ${SECONDS}s"

# Every file of before must exist with its content, at its place or in its archive folder; every
# file after must have the content of the file it was made from.
sums >"$work/after"
python3 - "$work/before" "$work/after" "$(find "$tree" -name '.ardeko~*' | wc -l)" <<'PY'
import os, sys
def read(path):
    with open(path) as f:
        return dict((line[33:].rstrip("\n"), line[:32]) for line in f if line.strip())
was, now = read(sys.argv[1]), read(sys.argv[2])
archived = lambda p: os.path.join(os.path.dirname(p), "~~~ 2005", os.path.basename(p))
lost = sum(1 for p, s in was.items() if now.get(p) != s and now.get(archived(p)) != s)
wrong = sum(1 for p, s in now.items() if was.get(p.replace("/~~~ 2005/", "/")) != s)
print("files before: %d  after: %d  lost: %d  wrong content: %d  temporaries after a last run: %s"
      % (len(was), len(now), lost, wrong, sys.argv[3]))
PY
