#!/usr/bin/env python3
"""Makes the user's manual: one self-contained HTML file per host and language.

The sources are docs/manual.<lang>.html.in, one per language. Markers in them:

  {{title}}        the manual's title, which is also its file name without ".html"
  {{host}}         the Office application the copy is for ("Word", ..., "Office")
  {{protocol}}     the name of that host's protocol file
  {{filetypes}}    the host's list of file types, as the wizard shows it
  {{figure a.png,b.png|Caption}}
                   the first of the named pictures in the image folder, embedded as a data
                   address; when none of them exists the figure is left out
  {{if Word,Excel}} ... {{end}}    kept only for the named hosts
  {{if !Word,Excel}} ... {{end}}   kept only for the other hosts
  {{if addin}} ... {{end}}         shorthand for the four hosts that load the add-in

A marker that is not one of these stops the build, so that a typing error never reaches a
reader; a missing picture does not.
"""
import argparse
import base64
import html
import os
import re
import sys

HOSTS = ["Word", "Excel", "PowerPoint", "Access", "Outlook", "FrontPage", "Office"]
ADDIN_HOSTS = ["Word", "Excel", "PowerPoint", "Access"]

# The wizard's file-type entries per host. They are German in every UI language.
FILE_TYPES = {
    "Word": ["Dokumente (*.DOC*)", "Vorlagen (*.DOT*)"],
    "Excel": ["Arbeitsmappen (*.XLS*)", "Vorlagen (*.XLT*)"],
    "PowerPoint": ["Präsentationen (*.PPT*)", "Pack && Go (*.PPS*)", "Vorlagen (*.POT*)"],
}
ACCESS_NEW = ["Datenbanken (*.ACCDB)", "Assistenten (*.ACCDA)", "Bibliotheken (*.ACCDE)"]
ACCESS_OLD = ["Datenbanken (*.MDB)", "Assistenten (*.MDA)", "Bibliotheken (*.MDE)"]
ALL_FILES = "Alle Dateien (*.*)"

TEXTS = {
    "de": {
        "title": "Dokumentation Veltrano Archivierungs-Assistent für {host}",
        "access_new": "Access ab Version 12:",
        "access_old": "ältere Access-Versionen:",
    },
    "en": {
        "title": "Manual Veltrano Archiving Wizard for {host}",
        "access_new": "Access version 12 and later:",
        "access_old": "older Access versions:",
    },
}


def manual_title(lang, host):
    return TEXTS[lang]["title"].format(host=host)


def protocol_name(host):
    return f"Protokoll {host}-Archivierung.txt"


def entry_list(entries):
    items = "".join(f"<li><code>{html.escape(e)}</code></li>" for e in entries + [ALL_FILES])
    return f'<ul class="types">{items}</ul>'


def file_types_html(lang, host):
    if host == "Access":
        t = TEXTS[lang]
        return (f"<p>{t['access_new']}</p>{entry_list(ACCESS_NEW)}"
                f"<p>{t['access_old']}</p>{entry_list(ACCESS_OLD)}")
    return entry_list(FILE_TYPES.get(host, []))


def host_matches(condition, host):
    negate = condition.startswith("!")
    names = set()
    for name in condition.lstrip("!").split(","):
        name = name.strip()
        if name == "addin":
            names.update(ADDIN_HOSTS)
        elif name in HOSTS:
            names.add(name)
        else:
            raise ValueError(f"unknown host in {{{{if {condition}}}}}: {name}")
    return (host in names) != negate


IF_BLOCK = re.compile(r"\{\{if ([^}]*)\}\}(.*?)\{\{end\}\}", re.S)
FIGURE = re.compile(r"\{\{figure ([^|}]*)\|([^}]*)\}\}")
MARKER = re.compile(r"\{\{([a-z]+)\}\}")


def figure_html(names, caption, images):
    for name in (n.strip() for n in names.split(",")):
        path = os.path.join(images, name)
        if os.path.isfile(path):
            with open(path, "rb") as f:
                data = base64.b64encode(f.read()).decode("ascii")
            return (f'<figure><img src="data:image/png;base64,{data}" alt="{html.escape(caption)}">'
                    f"<figcaption>{caption}</figcaption></figure>")
    return ""


def render(template, lang, host, images):
    text = IF_BLOCK.sub(lambda m: m.group(2) if host_matches(m.group(1), host) else "", template)
    text = FIGURE.sub(lambda m: figure_html(m.group(1), m.group(2), images), text)
    values = {
        "title": html.escape(manual_title(lang, host)),
        "host": host,
        "protocol": html.escape(protocol_name(host)),
        "filetypes": file_types_html(lang, host),
    }

    def value(m):
        if m.group(1) not in values:
            raise ValueError(f"unknown marker {m.group(0)}")
        return values[m.group(1)]

    text = MARKER.sub(value, text)
    left = text.find("{{")
    if left >= 0:
        raise ValueError(f"marker not understood: {text[left:left + 40]!r}")
    return text


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--source", required=True, help="folder with manual.<lang>.html.in")
    parser.add_argument("--images", required=True, help="folder with the pictures (may be missing)")
    parser.add_argument("--output", required=True, help="folder for the generated files")
    parser.add_argument("--hosts", default=",".join(HOSTS), help="comma-separated hosts")
    args = parser.parse_args(argv)

    os.makedirs(args.output, exist_ok=True)
    for lang in TEXTS:
        with open(os.path.join(args.source, f"manual.{lang}.html.in"), encoding="utf-8") as f:
            template = f.read()
        for host in args.hosts.split(","):
            try:
                page = render(template, lang, host, args.images)
            except ValueError as e:
                print(f"make_manual.py: manual.{lang}.html.in: {e}", file=sys.stderr)
                return 1
            target = os.path.join(args.output, manual_title(lang, host) + ".html")
            # Written whole and then renamed, so that a reader never sees half a file.
            with open(target + ".tmp", "w", encoding="utf-8", newline="\n") as f:
                f.write(page)
            os.replace(target + ".tmp", target)
    return 0


if __name__ == "__main__":
    sys.exit(main())
