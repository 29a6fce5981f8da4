"""The manual generator: pictures embedded or left out, host-specific text, and markers that
are mistyped stop the build instead of reaching a reader."""
import base64
import os
import subprocess
import sys
import tempfile
import unittest

GENERATOR = os.environ["ARDEKO_MAKE_MANUAL"]

TEMPLATE = """<title>{{title}}</title>
<p>{{host}} {{protocol}}</p>
{{filetypes}}
{{figure shot-en.png,shot-de.png|Das Fenster}}
{{figure fehlt.png|Nie zu sehen}}
{{if Word,Excel}}<p>nur Word und Excel</p>{{end}}
{{if !addin}}<p>kein Add-In-Programm</p>{{end}}
"""

# The smallest valid PNG: one transparent pixel.
PIXEL = base64.b64decode(
    "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNkYPhfDwAChwGA60e6kgAAAABJRU5ErkJggg==")


class MakeManualTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.addCleanup(self.dir.cleanup)
        self.src, self.images, self.out = (os.path.join(self.dir.name, d) for d in ("src", "images", "out"))
        os.makedirs(self.src)

    def generate(self, template=TEMPLATE, hosts="Word,PowerPoint,Access,Office"):
        for lang in ("de", "en"):
            with open(os.path.join(self.src, f"manual.{lang}.html.in"), "w", encoding="utf-8") as f:
                f.write(template)
        return subprocess.run([sys.executable, GENERATOR, "--source", self.src, "--images", self.images,
                               "--output", self.out, "--hosts", hosts], capture_output=True, text=True)

    def page(self, name):
        with open(os.path.join(self.out, name + ".html"), encoding="utf-8") as f:
            return f.read()

    def test_without_pictures_the_figures_are_left_out(self):
        self.assertEqual(self.generate().returncode, 0)
        page = self.page("Dokumentation Veltrano Archivierungs-Assistent für Word")
        self.assertNotIn("<figure", page)
        self.assertNotIn("{{", page)

    def test_the_first_existing_picture_is_embedded(self):
        os.makedirs(self.images)
        with open(os.path.join(self.images, "shot-de.png"), "wb") as f:
            f.write(PIXEL)
        self.assertEqual(self.generate().returncode, 0)
        page = self.page("Manual Veltrano Archiving Wizard for Word")
        self.assertEqual(page.count("<figure>"), 1)
        self.assertIn('src="data:image/png;base64,' + base64.b64encode(PIXEL).decode() + '"', page)
        self.assertIn("<figcaption>Das Fenster</figcaption>", page)

    def test_host_specific_text(self):
        self.assertEqual(self.generate().returncode, 0)
        word = self.page("Dokumentation Veltrano Archivierungs-Assistent für Word")
        self.assertIn("<title>Dokumentation Veltrano Archivierungs-Assistent für Word</title>", word)
        self.assertIn("Word Protokoll Word-Archivierung.txt", word)
        self.assertIn("nur Word und Excel", word)
        self.assertNotIn("kein Add-In-Programm", word)
        self.assertLess(word.index("Dokumente (*.DOC*)"), word.index("Vorlagen (*.DOT*)"))
        self.assertLess(word.index("Vorlagen (*.DOT*)"), word.index("Alle Dateien (*.*)"))

        # The entry's text as the list shows it, escaped for HTML.
        self.assertIn("Pack &amp;&amp; Go (*.PPS*)", self.page("Manual Veltrano Archiving Wizard for PowerPoint"))
        access = self.page("Manual Veltrano Archiving Wizard for Access")
        for entry in ("*.ACCDB", "*.ACCDA", "*.ACCDE", "*.MDB", "*.MDA", "*.MDE"):
            self.assertIn(entry, access)

        office = self.page("Manual Veltrano Archiving Wizard for Office")
        self.assertIn("kein Add-In-Programm", office)
        self.assertNotIn("nur Word und Excel", office)
        self.assertEqual(office.count("<li>"), 1)  # only "Alle Dateien (*.*)"

    def test_a_mistyped_marker_fails_and_writes_nothing(self):
        for template in ("{{titel}}", "{{if Wort}}x{{end}}", "{{figure a.png}}"):
            with self.subTest(template=template):
                result = self.generate(template, hosts="Word")
                self.assertEqual(result.returncode, 1)
                self.assertIn("manual.de.html.in", result.stderr)
                self.assertFalse(os.path.exists(self.out) and os.listdir(self.out))


if __name__ == "__main__":
    unittest.main()
