"""Files that translation and spreadsheet tools write, read back as translators use them.

OmegaT translates our PO headless (console-translate) from a translation memory (TMX); Babel reads
our PO and POT and writes PO at its own widths; Gnumeric's ssconvert saves our workbook as xlsx
and CSV, and types a date into a cell; openpyxl and xlsxwriter write cells of every type; pandas
reads our workbook and writes CSV. Each outcome is, byte for byte, the image that `set` of the
same texts makes, or a refusal with the image unchanged. One class per tool, each skipped with a
message naming its Debian package where the tool is missing. Run by CTest with THORNVALE_TEXT and
THORNVALE_SAMPLE set.
"""

import datetime
import importlib.util
import io
import os
import shutil
import subprocess
import sys
import tempfile
import unittest
import zipfile
from xml.sax.saxutils import escape

from programs import TEXT, dump, run

SAMPLE = os.environ["THORNVALE_SAMPLE"]

# CTest's SKIP_REGULAR_EXPRESSION looks for this.
MISSING = "is not installed"

# Positions translated: every table, entry 27 (stored in 2 bytes, saved as 1), entry 64 (which
# shares its last byte with 65), texts with commas, apostrophes and leading or trailing spaces,
# and the longest texts.
POSITIONS = [0, 5, 7, 8, 14, 17, 27, 31, 32, 33, 37, 40, 43, 50, 58, 64, 66, 69]

# For the closing note: per tool, the files it made that we read, and the round trips through it.
FIGURES = {}


def tally(tool, files=0, trips=0):
    made, through = FIGURES.get(tool, (0, 0))
    FIGURES[tool] = (made + files, through + trips)


def needs_module(module, package, tool):
    if importlib.util.find_spec(module) is None:
        raise unittest.SkipTest(f"{tool} {MISSING} (Debian package {package})")


def needs_program(program, package, tool):
    if shutil.which(program) is None:
        raise unittest.SkipTest(f"{tool} {MISSING} (Debian package {package})")


def read(path):
    with open(path, "rb") as f:
        return f.read()


class ForeignFiles(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="thornvale-foreign-")
        self.image = self.path("game.nes")
        run(SAMPLE, self.image)
        self.rows = dump(self.image)
        self.wanted = {p: self.translation(p) for p in POSITIONS}

    def tearDown(self):
        shutil.rmtree(self.dir)

    def path(self, name):
        return os.path.join(self.dir, name)

    def translation(self, position):
        """A text that fits: the source backwards, cut to the save length."""
        row = self.rows[position]
        return row[5][::-1][: int(row[3])]

    def export(self, name, fmt, *options, translated=False):
        made = self.path(name)
        extra = list(options)
        if translated:
            image = self.path("translated.nes")
            shutil.copyfile(self.image, image)
            for position, text in self.wanted.items():
                run(TEXT, "set", image, str(position), text)
            extra += ["--translated", image]
            if fmt != "xlsx":
                extra += ["--target-language", "fr"]
        run(TEXT, "export", self.image, "--format", fmt, "-o", made, *extra)
        return made

    def expected_image(self, wanted):
        """What `set` of the texts makes of a fresh copy of the image."""
        target = self.path("expected.nes")
        shutil.copyfile(self.image, target)
        for position, text in wanted.items():
            run(TEXT, "set", target, str(position), text)
        return read(target)

    def import_equals_set(self, made, wanted=None, *options):
        target = self.path("imported.nes")
        shutil.copyfile(self.image, target)
        result = run(TEXT, "import", target, made, *options, check=False)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertEqual(read(target), self.expected_image(self.wanted if wanted is None else wanted),
                         f"{made}: {result.stdout}")
        return result

    def import_refused(self, made, *options):
        target = self.path("refused.nes")
        shutil.copyfile(self.image, target)
        result = run(TEXT, "import", target, made, *options, check=False)
        self.assertEqual(result.returncode, 1, result.stdout + result.stderr)
        self.assertEqual(read(target), read(self.image))
        return result


class OmegaT(ForeignFiles):
    """OmegaT 3.6, headless: our PO as the project's source, a TMX as its memory, one start."""

    PROJECT = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<omegat>
  <project version="1.0">
    <source_dir>__DEFAULT__</source_dir>
    <source_dir_excludes/>
    <target_dir>__DEFAULT__</target_dir>
    <tm_dir>__DEFAULT__</tm_dir>
    <glossary_dir>__DEFAULT__</glossary_dir>
    <glossary_file>__DEFAULT__</glossary_file>
    <dictionary_dir>__DEFAULT__</dictionary_dir>
    <source_lang>EN-US</source_lang>
    <target_lang>FR</target_lang>
    <source_tok>org.omegat.tokenizer.LuceneEnglishTokenizer</source_tok>
    <target_tok>org.omegat.tokenizer.LuceneFrenchTokenizer</target_tok>
    <sentence_seg>false</sentence_seg>
    <support_default_translations>true</support_default_translations>
    <remove_tags>false</remove_tags>
  </project>
</omegat>
"""

    @classmethod
    def setUpClass(cls):
        needs_program("omegat", "omegat", "OmegaT")

    def test_console_translate_of_our_po_with_a_tmx(self):
        project = self.path("project")
        for folder in ("source", "target", "tm", "glossary", "dictionary", "omegat"):
            os.makedirs(os.path.join(project, folder))
        with open(os.path.join(project, "omegat.project"), "w") as f:
            f.write(self.PROJECT)
        # OmegaT's segments leave out the spaces at a text's ends, and its translation gets them back:
        # the memory holds the texts without them, and the translation is the middle turned round.
        units = ""
        for position in self.wanted:
            source = self.rows[position][5][: int(self.rows[position][3])]
            middle = source.strip(" ")
            start = source.index(middle)
            self.wanted[position] = source[:start] + middle[::-1] + source[start + len(middle):]
            units += (f'<tu><tuv lang="EN-US"><seg>{escape(middle)}</seg></tuv>'
                      f'<tuv lang="FR"><seg>{escape(middle[::-1])}</seg></tuv></tu>\n')
        with open(os.path.join(project, "omegat", "project_save.tmx"), "w") as f:
            f.write('<?xml version="1.0" encoding="UTF-8"?>\n<tmx version="1.4">\n'
                    '<header creationtool="thornvale-tests" creationtoolversion="1" o-tmf="OmegaT TMX" '
                    'adminlang="EN-US" datatype="plaintext" segtype="paragraph" srclang="EN-US"/>\n'
                    f"<body>\n{units}</body>\n</tmx>\n")
        self.export(os.path.join("project", "source", "fr.po"), "po", "--target-language", "fr")
        env = dict(os.environ, HOME=self.path("home"))
        result = subprocess.run(["omegat", project, "--mode=console-translate"], capture_output=True,
                                text=True, env=env, timeout=300)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        translated = os.path.join(project, "target", "fr.po")
        tally("OmegaT", files=1, trips=1)
        self.import_equals_set(translated)
        self.assertEqual(run(TEXT, "check", translated, "--image", self.image).returncode, 0)


class Babel(ForeignFiles):
    """Babel (pybabel and every Python project that uses it) reads our PO and POT, and writes PO."""

    @classmethod
    def setUpClass(cls):
        needs_module("babel", "python3-babel", "Babel")

    def test_reads_our_po_and_template_and_its_po_comes_back(self):
        from babel.messages.pofile import read_po, write_po

        po = self.export("fr.po", "po", "--target-language", "fr")
        pot = self.export("game.pot", "po")
        for made in (po, pot):
            with open(made, "rb") as f:
                catalog = read_po(f)
            self.assertEqual(len(catalog), 70)
            first = catalog.get("MAPLE", context="text-00")
            self.assertIsNotNone(first)
            self.assertTrue(any(c.startswith("place: ") for c in first.auto_comments))
        with open(po, "rb") as f:
            catalog = read_po(f)
        for position, text in self.wanted.items():
            catalog.get(self.rows[position][5], context=f"text-{position:02d}").string = text
        # Its default width, and a narrow one at which every "#. place:" comment is wrapped.
        for width in (76, 20):
            made = self.path(f"babel-{width}.po")
            with open(made, "wb") as f:
                write_po(f, catalog, width=width)
            tally("Babel", files=1, trips=1)
            self.import_equals_set(made)
        wrapped = read(self.path("babel-20.po")).decode()
        self.assertIn("#. place: offset\n", wrapped)
        # The wrapped place is still compared with ours: one of another version is refused.
        other = self.path("other.po")
        with open(other, "w") as f:
            f.write(wrapped.replace("#. save length 5, table\n#. Table2\n", "#. save length 5, table\n#. Table3\n", 1))
        self.assertIn("another game or version", self.import_refused(other).stderr)
        tally("Babel", files=1)


class Gnumeric(ForeignFiles):
    """Gnumeric's ssconvert saves our workbook as xlsx and CSV, and types what looks like a date."""

    @classmethod
    def setUpClass(cls):
        needs_program("ssconvert", "gnumeric", "Gnumeric's ssconvert")

    def ssconvert(self, source, target):
        result = subprocess.run(["ssconvert", source, target], capture_output=True, text=True, timeout=120)
        self.assertEqual(result.returncode, 0, result.stderr)
        tally("Gnumeric", files=1)
        return target

    def test_our_workbook_saved_as_xlsx_and_csv_comes_back(self):
        ours = self.export("ours.xlsx", "xlsx", translated=True)
        saved = self.ssconvert(ours, self.path("gnumeric.xlsx"))
        tally("Gnumeric", trips=2)
        self.import_equals_set(saved)
        # Our translation cells stay visible in what Gnumeric saves.
        with zipfile.ZipFile(saved) as book:
            self.assertNotIn('hidden="1"', book.read("xl/styles.xml").decode())
        self.import_equals_set(self.ssconvert(ours, self.path("gnumeric.csv")))

    def test_a_date_or_number_typed_in_a_cell_is_refused(self):
        typed = self.path("typed.csv")
        with open(typed, "w") as f:
            f.write("position,translation\n33,JAN 1\n23,1E2\n")
        saved = self.ssconvert(typed, self.path("typed.xlsx"))
        result = self.import_refused(saved)
        self.assertIn("B2: a date cell (shown Jan/01/", result.stderr)
        self.assertIn("B3: a number cell (shown 100, stored 100)", result.stderr)


class Openpyxl(ForeignFiles):
    """openpyxl writes cells of every type; xlsxwriter writes dates and formulas to be recalculated."""

    @classmethod
    def setUpClass(cls):
        needs_module("openpyxl", "python3-openpyxl", "openpyxl")

    def sheet(self, name, rows):
        import openpyxl

        book = openpyxl.Workbook()
        sheet = book.active
        sheet.append(["position", "translation"])
        for row in rows:
            sheet.append(list(row))
        made = self.path(name)
        book.save(made)
        tally("openpyxl", files=1)
        return made

    def test_our_workbook_filled_in_by_openpyxl_comes_back(self):
        import openpyxl

        made = self.export("ours.xlsx", "xlsx")
        book = openpyxl.load_workbook(made)
        sheet = book.active
        for position, text in self.wanted.items():
            sheet.cell(row=position + 2, column=7).value = text
        book.save(made)
        tally("openpyxl", files=1, trips=1)
        self.import_equals_set(made)

    def test_typed_cells(self):
        self.import_equals_set(self.sheet("str.xlsx", self.wanted.items()))
        typed = {
            "int": (23, 42, "B2: a number cell (shown 42, stored 42)"),
            "float": (23, 1.5, "B2: a number cell (shown 1.5, stored 1.5)"),
            "datetime": (33, datetime.datetime(2026, 1, 1), "B2: a date cell (shown 2026-01-01 0:00:00, stored 46023)"),
            "formula": (33, '="A"&"B"', "B2: a formula"),
        }
        for kind, (position, value, said) in typed.items():
            with self.subTest(kind):
                self.assertIn(said, self.import_refused(self.sheet(f"{kind}.xlsx", [(position, value)])).stderr)
        # Accepted, a number is taken as the sheet shows it, and the listing says so.
        made = self.sheet("number.xlsx", [(23, 123456789)])
        result = self.import_equals_set(made, {23: "123456789"}, "--accept-conversions")
        self.assertIn('-> "123456789" (a conversion accepted: B2: a number cell', result.stdout)

    def test_xlsxwriter_dates_and_formulas_to_be_recalculated(self):
        needs_module("xlsxwriter", "python3-xlsxwriter", "xlsxwriter")
        import xlsxwriter

        def book(name, write):
            made = self.path(name)
            workbook = xlsxwriter.Workbook(made)
            sheet = workbook.add_worksheet()
            sheet.write_row(0, 0, ["position", "translation"])
            sheet.write_number(1, 0, 33)
            write(workbook, sheet)
            workbook.close()
            tally("xlsxwriter", files=1)
            return made

        dated = book("date.xlsx", lambda workbook, sheet: sheet.write_datetime(
            1, 1, datetime.datetime(2026, 1, 1), workbook.add_format({"num_format": "yyyy/mm/dd"})))
        self.assertIn("B2: a date cell (shown 2026/01/01, stored 46023)", self.import_refused(dated).stderr)
        # Its formulas keep a cached 0 until a spreadsheet works them out.
        formula = book("formula.xlsx", lambda workbook, sheet: sheet.write_formula(1, 1, '="X"'))
        self.assertIn("B2: a formula in a workbook marked to be recalculated", self.import_refused(formula).stderr)


class Pandas(ForeignFiles):
    """pandas reads our workbook (read_excel, through openpyxl) and writes it as CSV (to_csv)."""

    @classmethod
    def setUpClass(cls):
        needs_module("pandas", "python3-pandas", "pandas")
        needs_module("openpyxl", "python3-openpyxl", "openpyxl (for pandas' read_excel)")

    def test_read_excel_then_to_csv_comes_back(self):
        import pandas

        ours = self.export("ours.xlsx", "xlsx", translated=True)
        frame = pandas.read_excel(ours)
        made = self.path("pandas.csv")
        frame.to_csv(made, index=False)
        tally("pandas", files=1, trips=1)
        self.import_equals_set(made)
        # A blank row turns the positions into floats, written 5.0: still the same places.
        frame.loc[len(frame)] = [float("nan")] * len(frame.columns)
        self.assertEqual(frame["position"].dtype.kind, "f")
        blank = self.path("pandas-blank-row.csv")
        frame.to_csv(blank, index=False)
        self.assertIn("\n5.0,", read(blank).decode())
        tally("pandas", files=1, trips=1)
        self.import_equals_set(blank)


def tearDownModule():
    if FIGURES:
        print("\nforeign-made files read and round trips, per tool: " +
              "; ".join(f"{tool} {files} files, {trips} round trips" for tool, (files, trips) in sorted(FIGURES.items())),
              file=sys.stderr)


if __name__ == "__main__":
    unittest.main()
