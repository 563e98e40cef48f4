"""The workbook and the sheets saved as CSV or TSV against a real spreadsheet: LibreOffice Calc, headless.

Calc opens our workbook and sees what the translator relies on (text-formatted translation cells,
each held to its length by a validation, the LEN column, the sheet protected); translations entered
as typed, where a number or a date is recognised, come back through `import` as the image that
`set` of the same texts gives, saved as xlsx, TSV and CSV in the dialects Calc offers; its .ods and
.xls are refused. A dump opened with Calc's default text import loses its leading zeros, and
`import` refuses that. Run by CTest with THORNVALE_TEXT and THORNVALE_SAMPLE set; skipped where
LibreOffice or its Python bridge is missing.
"""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

from programs import TEXT, dump, run

SAMPLE = os.environ["THORNVALE_SAMPLE"]

try:
    import uno
    from com.sun.star.beans import PropertyValue
    from com.sun.star.connection import NoConnectException
except ImportError as error:
    uno = None
    UNO_MISSING = str(error)
SOFFICE = shutil.which("soffice") or shutil.which("libreoffice")

# CTest's SKIP_REGULAR_EXPRESSION looks for this.
UNAVAILABLE = "LibreOffice Calc is not available"

CSV_FILTER = "Text - txt - csv (StarCalc)"
# The export dialog's defaults: quote with ", UTF-8, cells saved as shown; only the separator differs.
CSV_OPTIONS = "44,34,76,1,,0,false,true,true,false,false"
TSV_OPTIONS = "9,34,76,1,,0,false,true,true,false,false"
# What a translator may choose instead: the semicolon of many locales, the character set
# "Unicode" (UTF-16 with a byte-order mark), every text cell quoted.
SEMICOLON_OPTIONS = "59,34,76,1,,0,false,true,true,false,false"
UTF16_OPTIONS = "44,34,65535,1,,0,false,true,true,false,false"
QUOTED_OPTIONS = "44,34,76,1,,0,true,true,true,false,false"
# The import dialog's defaults for a tab-separated file: every column "Standard", so numbers and
# dates are recognised.
TSV_IMPORT_OPTIONS = "9,34,76,1"

# Position 23 holds digits in every test here: what a spreadsheet turns into a number.
DIGITS_POSITION = 23
DIGITS = "000000007"

# Translations typed in Calc: Table2 (5, 7 with spaces), Table3 (9, the digits of 23, 27 whose one
# character is a digit), Table4 (31), Table1 with a comma (33), an apostrophe (35) and, reversed
# from trailing spaces, leading ones (43).
TYPED_POSITIONS = [5, 7, 9, DIGITS_POSITION, 27, 31, 33, 35, 43]
TYPED_DIGITS = "000000042"

ROUND_TRIPS = []
CONVERSIONS_REFUSED = []


def read(path):
    with open(path, "rb") as f:
        return f.read()


def prop(name, value):
    p = PropertyValue()
    p.Name = name
    p.Value = value
    return p


def url(path):
    return uno.systemPathToFileUrl(os.path.abspath(path))


# The locale is the profile's, not the environment's: a German one would write 1,00E+20.
PROFILE_SETTINGS = """<?xml version="1.0" encoding="UTF-8"?>
<oor:items xmlns:oor="http://openoffice.org/2001/registry" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">
<item oor:path="/org.openoffice.Setup/L10N"><prop oor:name="ooSetupSystemLocale" oor:op="fuse"><value>en-US</value></prop></item>
<item oor:path="/org.openoffice.Setup/L10N"><prop oor:name="ooLocale" oor:op="fuse"><value>en-US</value></prop></item>
<item oor:path="/org.openoffice.Office.Common/Misc"><prop oor:name="FirstRun" oor:op="fuse"><value>false</value></prop></item>
</oor:items>
"""


class CalcTestCase(unittest.TestCase):
    """One headless Calc per class, with a profile of its own, killed however the class ends."""

    @classmethod
    def setUpClass(cls):
        if uno is None:
            raise unittest.SkipTest(f"{UNAVAILABLE}: Python's uno module is missing ({UNO_MISSING})")
        if SOFFICE is None:
            raise unittest.SkipTest(f"{UNAVAILABLE}: no soffice on PATH")
        cls.home = tempfile.mkdtemp(prefix="thornvale-calc-")
        cls.addClassCleanup(shutil.rmtree, cls.home, ignore_errors=True)
        profile = os.path.join(cls.home, "profile")
        os.makedirs(os.path.join(profile, "user"))
        with open(os.path.join(profile, "user", "registrymodifications.xcu"), "w") as f:
            f.write(PROFILE_SETTINGS)
        pipe = f"thornvale-{cls.__name__}-{os.getpid()}"
        cls.log = open(os.path.join(cls.home, "soffice.log"), "w+")
        cls.addClassCleanup(cls.log.close)
        # Its own session, so that the launcher and soffice.bin go together.
        cls.soffice = subprocess.Popen(
            [SOFFICE, "--headless", "--invisible", "--norestore", "--nologo", "--nodefault",
             "-env:UserInstallation=" + uno.systemPathToFileUrl(profile), f"--accept=pipe,name={pipe};urp;"],
            stdout=cls.log, stderr=cls.log, start_new_session=True)
        cls.addClassCleanup(cls.stop_soffice)
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
        deadline = time.monotonic() + 90
        while True:
            try:
                context = resolver.resolve(f"uno:pipe,name={pipe};urp;StarOffice.ComponentContext")
                break
            except NoConnectException:
                if cls.soffice.poll() is not None:
                    raise AssertionError(f"soffice exited {cls.soffice.returncode} before it accepted a "
                                         f"connection:\n{cls.soffice_log()}")
                if time.monotonic() > deadline:
                    raise AssertionError("soffice did not accept a connection within 90 s")
                time.sleep(0.1)
        manager = context.ServiceManager
        cls.desktop = manager.createInstanceWithContext("com.sun.star.frame.Desktop", context)

    @classmethod
    def soffice_log(cls):
        cls.log.seek(0)
        return cls.log.read()

    @classmethod
    def stop_soffice(cls):
        try:
            cls.desktop.terminate()
        except Exception:
            pass  # the bridge goes down with soffice: terminate() often ends in a disposed connection
        try:
            cls.soffice.wait(10)
        except subprocess.TimeoutExpired:
            pass
        try:
            os.killpg(cls.soffice.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        cls.soffice.wait()

    def setUp(self):
        # Once soffice has aborted, every later call fails on a disposed bridge: say why, once.
        if self.soffice.poll() is not None:
            self.fail(f"soffice exited {self.soffice.returncode}:\n{self.soffice_log()}")
        self.dir = tempfile.mkdtemp(prefix="thornvale-calc-", dir=self.home)
        self.addCleanup(shutil.rmtree, self.dir, ignore_errors=True)
        self.sample = self.path("sample.nes")
        run(SAMPLE, self.sample)
        self.image = self.path("game.nes")
        shutil.copyfile(self.sample, self.image)
        run(TEXT, "set", self.image, str(DIGITS_POSITION), DIGITS)
        self.rows = dump(self.image)

    def path(self, name):
        return os.path.join(self.dir, name)

    def open(self, path, *properties):
        document = self.desktop.loadComponentFromURL(url(path), "_blank", 0, (prop("Hidden", True), *properties))
        self.assertIsNotNone(document, f"Calc could not open {path}:\n{self.soffice_log()}")
        self.addCleanup(document.close, True)
        return document

    def new_document(self):
        document = self.desktop.loadComponentFromURL("private:factory/scalc", "_blank", 0, (prop("Hidden", True),))
        self.addCleanup(document.close, True)
        return document

    @staticmethod
    def type_into(cell, text):
        """Enter text as a user types it: recognised as a number or a date unless the cell is text.

        FormulaLocal parses as the input line does; setFormula parses in English and ignores the
        cell's text format. The view's own input (.uno:EnterString) would need the formula bar,
        which the -nogui packages cannot build: soffice aborts on the missing posbox.ui.
        """
        cell.FormulaLocal = text

    def export(self, *options):
        workbook = self.path("texts.xlsx")
        run(TEXT, "export", self.image, "--format", "xlsx", "-o", workbook, *options)
        return workbook

    def translation_cell(self, sheet, position):
        return sheet.getCellRangeByName(f"G{position + 2}")

    def import_into_copy(self, made, *options):
        target = self.path("imported.nes")
        shutil.copyfile(self.image, target)
        return target, run(TEXT, "import", target, made, *options, check=False)


class Workbook(CalcTestCase):
    def test_calc_sees_text_cells_held_to_their_length_on_a_protected_sheet(self):
        translated = self.path("translated.nes")
        shutil.copyfile(self.image, translated)
        run(TEXT, "set", translated, "5", "WONDERER")
        document = self.open(self.export("--translated", translated))
        self.assertEqual(document.Sheets.ElementNames, ("Texts",))
        sheet = document.Sheets.getByName("Texts")
        self.assertTrue(sheet.isProtected())
        header = [sheet.getCellByPosition(column, 0).String for column in range(8)]
        self.assertEqual(header, ["position", "offset", "save_length", "table", "characters", "source",
                                  "translation", "translation length"])
        for position, row in self.rows.items():
            line = position + 2
            cell = self.translation_cell(sheet, position)
            self.assertEqual(sheet.getCellRangeByName(f"A{line}").Value, position)
            self.assertEqual(sheet.getCellRangeByName(f"F{line}").String, row[5])
            self.assertEqual(document.NumberFormats.getByKey(cell.NumberFormat).FormatString, "@")
            self.assertFalse(cell.CellProtection.IsLocked)
            self.assertTrue(sheet.getCellRangeByName(f"F{line}").CellProtection.IsLocked)
            validation = cell.Validation
            self.assertEqual(validation.Type.value, "TEXT_LEN")
            self.assertEqual(validation.Operator.value, "EQUAL")
            self.assertEqual(validation.getFormula1(), row[3])
            self.assertEqual(sheet.getCellRangeByName(f"C{line}").Value, int(row[3]))
            self.assertTrue(validation.ShowErrorMessage)
            self.assertEqual(validation.ErrorAlertStyle.value, "STOP")
            self.assertIn(f"exactly {row[3]} character", validation.ErrorMessage)
            self.assertEqual(sheet.getCellRangeByName(f"H{line}").Formula, f"=LEN(G{line})")
            # One rule over the rows, written for the first: a length that differs from column C.
            conditions = cell.ConditionalFormat
            self.assertEqual(conditions.Count, 1)
            self.assertEqual(conditions.getByIndex(0).Formula1, 'AND($G2<>"";LEN($G2)<>$C2)')
        # --translated fills the cells of the texts that differ, and Calc counts them.
        self.assertEqual(self.translation_cell(sheet, 5).String, "WONDERER")
        self.assertEqual(sheet.getCellRangeByName("H7").Value, 8)
        self.assertEqual(self.translation_cell(sheet, 6).String, "")

    def test_typing_digits_keeps_them_in_a_translation_cell_only(self):
        general = self.new_document().Sheets.getByIndex(0).getCellRangeByName("A1")
        self.type_into(general, "007")
        # The typed path recognises numbers: without the text format, 007 becomes 7.
        self.assertEqual(general.Type.value, "VALUE")
        self.assertEqual(general.String, "7")

        document = self.open(self.export())
        cell = self.translation_cell(document.Sheets.getByIndex(0), DIGITS_POSITION)
        self.type_into(cell, TYPED_DIGITS)
        self.assertEqual(cell.Type.value, "TEXT")
        self.assertEqual(cell.String, TYPED_DIGITS)

    def test_typed_translations_come_back_from_xlsx_csv_and_tsv(self):
        wanted = {p: self.rows[p][5][::-1][: int(self.rows[p][3])] for p in TYPED_POSITIONS}
        wanted[DIGITS_POSITION] = TYPED_DIGITS
        expected = self.path("expected.nes")
        shutil.copyfile(self.image, expected)
        for position, text in wanted.items():
            run(TEXT, "set", expected, str(position), text)

        document = self.open(self.export())
        sheet = document.Sheets.getByIndex(0)
        for position, text in wanted.items():
            cell = self.translation_cell(sheet, position)
            self.type_into(cell, text)
            self.assertEqual(cell.String, text, f"position {position}")
            self.assertEqual(sheet.getCellRangeByName(f"H{position + 2}").Value, len(text))

        saved = {
            "xlsx": (self.path("typed.xlsx"), "Calc MS Excel 2007 XML", None),
            "csv": (self.path("typed.csv"), CSV_FILTER, CSV_OPTIONS),
            "tsv": (self.path("typed.tsv"), CSV_FILTER, TSV_OPTIONS),
            "semicolon csv": (self.path("semicolon.csv"), CSV_FILTER, SEMICOLON_OPTIONS),
            "utf-16 csv": (self.path("utf16.csv"), CSV_FILTER, UTF16_OPTIONS),
            "quoted csv": (self.path("quoted.csv"), CSV_FILTER, QUOTED_OPTIONS),
        }
        for made, filter_name, options in saved.values():
            properties = [prop("FilterName", filter_name)]
            if options:
                properties.append(prop("FilterOptions", options))
            document.storeToURL(url(made), tuple(properties))
        with open(saved["csv"][0], encoding="utf-8") as f:
            self.assertIn(',"relevart ,emocleW",', f.read())
        with open(saved["semicolon csv"][0], encoding="utf-8") as f:
            self.assertIn(";relevart ,emocleW;", f.read())
        with open(saved["utf-16 csv"][0], "rb") as f:
            self.assertTrue(f.read().startswith(b"\xff\xfep\x00"))
        with open(saved["quoted csv"][0], encoding="utf-8") as f:
            self.assertTrue(f.read().startswith('"position","offset",'))

        listing = "".join(f'position {p}: "{self.rows[p][5]}" -> "{wanted[p]}"\n' for p in sorted(wanted))
        for kind, (made, _, _) in saved.items():
            with self.subTest(kind):
                target, dry = self.import_into_copy(made, "--dry-run")
                self.assertEqual(dry.returncode, 0, dry.stderr)
                self.assertTrue(dry.stdout.startswith(listing), dry.stdout)
                self.assertIn(f"{len(wanted)} texts would be written, 0 unchanged, {70 - len(wanted)} rows "
                              "without a translation; nothing was written", dry.stdout)
                self.assertEqual(read(target), read(self.image))
                target, result = self.import_into_copy(made)
                self.assertEqual(result.returncode, 0, result.stderr)
                self.assertIn(f"{len(wanted)} texts written", result.stdout)
                self.assertEqual(read(target), read(expected), result.stdout)
                ROUND_TRIPS.append(kind)

    def test_a_wrong_length_is_marked_by_the_validation_and_refused_by_import(self):
        document = self.open(self.export())
        sheet = document.Sheets.getByIndex(0)
        self.type_into(self.translation_cell(sheet, 5), "WONDERER")
        self.type_into(self.translation_cell(sheet, 6), "ACE")
        self.type_into(self.translation_cell(sheet, 7), "A COLD PLAIN")
        # The stop box of a typed wrong length belongs to the input line, out of reach here (see
        # type_into). Calc's own check of the rules, Mark Invalid Data, circles the cells that
        # break them: only the one too short.
        self.assertEqual(sheet.DrawPage.Count, 0)
        self.assertTrue(sheet.showInvalid())
        self.assertEqual(sheet.DrawPage.Count, 1)
        circle = sheet.DrawPage.getByIndex(0)
        short = self.translation_cell(sheet, 7)
        middle = short.Position.Y + short.Size.Height // 2
        self.assertLess(circle.Position.Y, middle)
        self.assertGreater(circle.Position.Y + circle.Size.Height, middle)
        self.assertEqual(sheet.getCellRangeByName("H9").Value, 12)

        # What the validation lets through, import refuses.
        made = self.path("short.xlsx")
        document.storeToURL(url(made), (prop("FilterName", "Calc MS Excel 2007 XML"),))
        target, result = self.import_into_copy(made)
        self.assertEqual(result.returncode, 1, result.stdout + result.stderr)
        self.assertIn("position 7: Cannot save Text", result.stderr)
        self.assertIn("The text has 12 characters, needs 20 (spaces count)", result.stderr)
        self.assertIn("was not changed: 1 row refused", result.stderr)
        self.assertEqual(read(target), read(self.image))


    def test_calcs_other_formats_are_refused_whole(self):
        document = self.open(self.export())
        self.type_into(self.translation_cell(document.Sheets.getByIndex(0), 5), "WONDERER")
        for name, filter_name in (("texts.ods", "calc8"), ("texts.xls", "MS Excel 97")):
            made = self.path(name)
            document.storeToURL(url(made), (prop("FilterName", filter_name),))
            target, result = self.import_into_copy(made)
            self.assertEqual(result.returncode, 1, result.stdout + result.stderr)
            self.assertEqual(read(target), read(self.image))
            self.assertIn(f"{name}:1: ", result.stderr)
            self.assertIn("was not changed: nothing of the file was read", result.stderr)
            if name.endswith(".ods"):
                self.assertIn("an OpenDocument file (.ods), not a workbook: save it as .xlsx", result.stderr)
            else:
                self.assertIn("an Excel 97-2003 workbook (.xls)", result.stderr)


class DefaultTextImport(CalcTestCase):
    def test_a_dump_opened_with_calcs_defaults_is_refused_for_its_conversions(self):
        # Beside the digits, a number with an exponent and a date, which Calc rewrites too.
        converted = {DIGITS_POSITION: ("7", "leading zeros dropped", "has 1 character, needs 9"),
                     12: ("1.00E+20", "a number's exponent rewritten", "has 8 characters, needs 4"),
                     16: ("01/01/26", "a date reformatted", "has 8 characters, needs 5")}
        run(TEXT, "set", self.image, "12", "1E20")
        run(TEXT, "set", self.image, "16", "JAN 1")
        dumped = self.path("dump.tsv")
        with open(dumped, "w", encoding="utf-8") as f:
            f.write(run(TEXT, "dump", self.image).stdout)

        document = self.open(dumped, prop("FilterName", CSV_FILTER), prop("FilterOptions", TSV_IMPORT_OPTIONS))
        sheet = document.Sheets.getByIndex(0)
        self.assertEqual(sheet.getCellByPosition(5, DIGITS_POSITION + 1).Type.value, "VALUE")
        made = self.path("dump.csv")
        document.storeToURL(url(made), (prop("FilterName", CSV_FILTER), prop("FilterOptions", CSV_OPTIONS)))
        with open(made, encoding="utf-8") as f:
            lines = f.read().split("\n")
        for position, (text, _, _) in converted.items():
            self.assertTrue(lines[position + 1].endswith("," + text), lines[position + 1])

        target, result = self.import_into_copy(made)
        self.assertEqual(result.returncode, 1, result.stdout + result.stderr)
        self.assertEqual(read(target), read(self.image))
        for position, (_, conversion, _) in converted.items():
            self.assertIn(f"dump.csv:{position + 2}: position {position}: the new text is what a spreadsheet's "
                          f"conversion makes of the old one ({conversion})", result.stderr)
        self.assertIn("3 rows refused", result.stderr)
        CONVERSIONS_REFUSED.extend(conversion for _, conversion, _ in converted.values())

        # Accepted, the conversions still have to fit: none does.
        target, result = self.import_into_copy(made, "--accept-conversions")
        self.assertEqual(result.returncode, 1, result.stdout + result.stderr)
        self.assertEqual(read(target), read(self.image))
        for position, (_, _, count) in converted.items():
            self.assertIn(f"position {position}: Cannot save Text", result.stderr)
            self.assertIn(f"The text {count} (spaces count)", result.stderr)


def tearDownModule():
    if ROUND_TRIPS or CONVERSIONS_REFUSED:
        print(f"\nspreadsheet round trips: {', '.join(ROUND_TRIPS) or 'none'} imported; "
              f"{len(CONVERSIONS_REFUSED)} conversions refused ({', '.join(CONVERSIONS_REFUSED)})", file=sys.stderr)


if __name__ == "__main__":
    unittest.main()
