#!/usr/bin/env python3
"""Peer of an ardeko test run: the same walk (a folder's files first, then its subfolders;
hidden entries, links and '~~~ ' archive folders skipped), the same date test on the last
change in local time, and the same two protocol lines per due file, written to a text file.

    peer_scandir.py DIR CUT_MONTH CUT_YEAR PROTOCOL
"""
import os
import stat
import sys
import time


def main():
    root, cut_month, cut_year, protocol = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
    checked = due = 0
    with open(protocol, "a", encoding="utf-8", newline="") as out:
        def line(text):
            out.write(time.strftime("%d.%m.%y %H:%M:%S") + " - " + text + "\r\n")

        def walk(folder):
            nonlocal checked, due
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
                checked += 1
                when = time.localtime(entry.stat(follow_symlinks=False).st_mtime)
                if when.tm_year < cut_year or (when.tm_year == cut_year and when.tm_mon <= cut_month):
                    due += 1
                    line("Archiviert: %s (%s)" % (entry.path, time.strftime("%d.%m.%Y %H:%M:%S", when)))
                    line("in '%s/~~~ %d'" % (folder, when.tm_year))
            for sub in subfolders:
                walk(sub)

        walk(root)
    print("%d checked, %d due" % (checked, due), file=sys.stderr)


if __name__ == "__main__":
    main()
