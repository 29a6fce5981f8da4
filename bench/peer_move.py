#!/usr/bin/env python3
"""Peer of a real ardeko run: the same walk as peer_scandir.py, and every due file moved with
shutil.move into the '~~~ YEAR' folder inside its own folder, with the protocol lines.

    peer_move.py DIR CUT_MONTH CUT_YEAR PROTOCOL
"""
import os
import shutil
import stat
import sys
import time


def main():
    root, cut_month, cut_year, protocol = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
    moved = 0
    with open(protocol, "a", encoding="utf-8", newline="") as out:
        def line(text):
            out.write(time.strftime("%d.%m.%y %H:%M:%S") + " - " + text + "\r\n")

        def walk(folder):
            nonlocal moved
            subfolders = []
            try:
                entries = list(os.scandir(folder))
            except OSError:
                return
            for entry in entries:
                if entry.name.startswith("."):
                    continue
                mode = entry.stat(follow_symlinks=False).st_mode
                if stat.S_ISDIR(mode):
                    if not entry.name.startswith("~~~ "):
                        subfolders.append(entry.path)
                    continue
                if not stat.S_ISREG(mode):
                    continue
                when = time.localtime(entry.stat(follow_symlinks=False).st_mtime)
                if when.tm_year < cut_year or (when.tm_year == cut_year and when.tm_mon <= cut_month):
                    target = os.path.join(folder, "~~~ %d" % when.tm_year)
                    os.makedirs(target, exist_ok=True)
                    shutil.move(entry.path, os.path.join(target, entry.name))
                    moved += 1
                    line("Archiviert: %s (%s)" % (entry.path, time.strftime("%d.%m.%Y %H:%M:%S", when)))
                    line("in '%s'" % target)
            for sub in subfolders:
                walk(sub)

        walk(root)
    print("%d moved" % moved, file=sys.stderr)


if __name__ == "__main__":
    main()
