"""The exchange formats against the tools of the field, as real clients.

Our XLIFF against OASIS's strict schema (xmllint), our PO through msgfmt --check; translate-toolkit
and polib open what we write and see the ids, sources, notes and flags; files they, msgcat and
msgmerge write come back through `import` and give, byte for byte, the image that `set` of the same
texts gives. Run by CTest with THORNVALE_TEXT, THORNVALE_SAMPLE and XLIFF_SCHEMAS set.
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

import polib
from translate.storage import po as ttpo
from translate.storage import xliff as ttxliff

from programs import TEXT, dump, run

SAMPLE = os.environ["THORNVALE_SAMPLE"]
SCHEMAS = os.environ.get("XLIFF_SCHEMAS", "/usr/share/php/Symfony/Component/Translation/Resources/schemas")
PYTHON = sys.executable

# How many files made by another program `import` took, for the closing note.
FOREIGN_IMPORTED = []

# Positions translated in the round trips: every table, entry 27 (stored in 2 bytes, saved as 1),
# entry 64 (which shares its last byte with 65), texts with leading and trailing spaces, commas
# and apostrophes, the longest texts (87 characters, which every writer wraps).
POSITIONS = [0, 5, 7, 8, 14, 17, 27, 31, 32, 33, 37, 40, 43, 50, 58, 64, 66, 69]


def weblate_value(flag):
    """A flag's value as Weblate's parser unquotes it: only \\" and \\\\ are escapes."""
    value = flag.split(":", 1)[1]
    if value.startswith('"') and value.endswith('"'):
        value = re.sub(r'\\(["\\])', r"\1", value[1:-1])
    return value


class Clients(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="thornvale-clients-")
        self.image = self.path("game.nes")
        run(SAMPLE, self.image)
        self.rows = dump(self.image)
        self.xlf = self.path("fr.xlf")
        self.po = self.path("fr.po")
        self.pot = self.path("game.pot")
        run(TEXT, "export", self.image, "--format", "xliff", "--target-language", "fr", "-o", self.xlf)
        run(TEXT, "export", self.image, "--format", "po", "--target-language", "fr", "-o", self.po)
        run(TEXT, "export", self.image, "--format", "po", "-o", self.pot)
        self.wanted = {p: self.translation(p) for p in POSITIONS}

    def tearDown(self):
        shutil.rmtree(self.dir)

    def path(self, name):
        return os.path.join(self.dir, name)

    def translation(self, position):
        """A text that fits: the source backwards, cut to the save length."""
        row = self.rows[position]
        return row[5][::-1][: int(row[3])]

    def expected_image(self):
        """What `set` of the wanted texts makes of a fresh copy of the image."""
        target = self.path("expected.nes")
        shutil.copyfile(self.image, target)
        for position, text in self.wanted.items():
            run(TEXT, "set", target, str(position), text)
        with open(target, "rb") as f:
            return f.read()

    def import_equals_set(self, made, *options, foreign=True):
        target = self.path("imported.nes")
        shutil.copyfile(self.image, target)
        result = run(TEXT, "import", target, made, *options)
        with open(target, "rb") as f:
            self.assertEqual(f.read(), self.expected_image(), f"{made}: {result.stdout}")
        if foreign:
            FOREIGN_IMPORTED.append(os.path.basename(made))
        return result

    # --- what we write, as the tools read it ---------------------------------------------------

    def test_xliff_is_valid_against_the_strict_schema(self):
        catalog = self.path("catalog.xml")
        with open(catalog, "w") as f:
            f.write(
                '<?xml version="1.0"?>\n'
                '<catalog xmlns="urn:oasis:names:tc:entity:xmlns:xml:catalog">\n'
                f'  <uri name="http://www.w3.org/2001/xml.xsd" uri="file://{SCHEMAS}/xml.xsd"/>\n'
                f'  <system systemId="http://www.w3.org/2001/xml.xsd" uri="file://{SCHEMAS}/xml.xsd"/>\n'
                "</catalog>\n"
            )
        env = dict(os.environ, XML_CATALOG_FILES=catalog)
        strict = os.path.join(SCHEMAS, "xliff-core-1.2-strict.xsd")
        translated = self.path("translated.nes")
        shutil.copyfile(self.image, translated)
        run(TEXT, "set", translated, "5", "WONDERER")
        with_targets = self.path("with-targets.xlf")
        run(TEXT, "export", self.image, "--format", "xliff", "--target-language", "fr",
            "--translated", translated, "-o", with_targets)
        for made in (self.xlf, with_targets):
            result = subprocess.run(["xmllint", "--nonet", "--noout", "--schema", strict, made],
                                    capture_output=True, text=True, env=env)
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertIn("validates", result.stderr)
        # Weblate's attribute is outside XLIFF's namespace: the strict schema refuses it, as --help says.
        flagged = self.path("flagged.xlf")
        run(TEXT, "export", self.image, "--format", "xliff", "--weblate-flags", "-o", flagged)
        result = subprocess.run(["xmllint", "--nonet", "--noout", "--schema", strict, flagged],
                                capture_output=True, text=True, env=env)
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("weblate-flags", result.stderr)

    def test_po_and_template_pass_msgfmt_check(self):
        for made in (self.po, self.pot):
            result = run("msgfmt", "--check", "-o", os.devnull, made)
            self.assertEqual(result.returncode, 0)
        # A translated PO has a complete header: not even a warning.
        self.assertEqual(run("msgfmt", "--check", "-o", os.devnull, self.po).stderr, "")

    def test_translate_toolkit_reads_both_files(self):
        store = ttxliff.xlifffile.parsefile(self.xlf)
        units = [u for u in store.units if not u.isheader()]
        self.assertEqual(len(units), 70)
        for position, unit in enumerate(units):
            row = self.rows[position]
            self.assertEqual(unit.getid().split("\x04")[-1], "text-%02d" % position)
            self.assertEqual(unit.source, row[5])
            self.assertIn("Exactly %s character" % row[3], unit.getnotes())
            self.assertEqual(unit.xmlelement.get("maxwidth"), row[3])
            self.assertEqual(unit.xmlelement.get("size-unit"), "char")

        store = ttpo.pofile.parsefile(self.po)
        units = [u for u in store.units if not u.isheader()]
        self.assertEqual(len(units), 70)
        for position, unit in enumerate(units):
            row = self.rows[position]
            self.assertEqual(unit.getcontext(), "text-%02d" % position)
            self.assertEqual(unit.source, row[5])
            self.assertIn("Exactly %s character" % row[3], unit.getnotes("developer"))
            self.assertEqual(unit.getlocations(), [row[1]])
            flags = "".join(unit.typecomments)
            self.assertIn("max-length:%s," % row[3], flags)
            self.assertIn("regex:", flags)

    def test_polib_reads_the_flags_and_the_regex_means_exactly_n_storable_characters(self):
        for made in (self.po, self.pot):
            entries = polib.pofile(made)
            self.assertEqual(len(entries), 70)
            for position, entry in enumerate(entries):
                row = self.rows[position]
                self.assertEqual(entry.msgctxt, "text-%02d" % position)
                self.assertEqual(entry.msgid, row[5])
                self.assertEqual(entry.occurrences, [(row[1], "")])
                self.assertIn("max-length:" + row[3], entry.flags)
                regex = [f for f in entry.flags if f.startswith("regex:")]
                self.assertEqual(len(regex), 1, entry.flags)  # one flag, the comma escaped
                for ignore in ("ignore-begin-space", "ignore-end-space", "ignore-double-space"):
                    self.assertIn(ignore, entry.flags)
                pattern = re.compile(weblate_value(regex[0]))
                n = int(row[3])
                self.assertTrue(pattern.search(self.translation(position)), (regex, self.translation(position)))
                self.assertFalse(pattern.search(self.translation(position) + " "))
                self.assertFalse(pattern.search("#" * n))
                if row[4] != "Table1":
                    self.assertFalse(pattern.search("a" * n))

    def test_pofilter_validchars_flags_a_character_the_table_cannot_store(self):
        tables = self.path("tables")
        run(TEXT, "tables", tables)
        with open(os.path.join(tables, "Table2.tbl"), encoding="utf-8") as f:
            characters = "".join(line.rstrip("\n").split("=", 1)[1] for line in f if "=" in line)
        chars = self.path("table2-chars.txt")
        with open(chars, "w", encoding="utf-8") as f:
            f.write(characters)
        entries = polib.pofile(self.po)
        entries[5].msgstr = "WANDERBR"  # B: Table2 has no B
        entries[6].msgstr = "ACE"
        filled = self.path("filled.po")
        entries.save(filled)
        out = self.path("flagged.po")
        run(PYTHON, "-m", "translate.filters.pofilter", "-t", "validchars", "--validcharsfile", chars,
            filled, out)
        flagged = polib.pofile(out)
        self.assertEqual([e.msgctxt for e in flagged], ["text-05"])
        self.assertIn("validchars", flagged[0].tcomment)

    # --- what the tools write, through import ---------------------------------------------------

    def test_translate_toolkit_xliff_round_trip(self):
        store = ttxliff.xlifffile.parsefile(self.xlf)
        for unit in store.units:
            position = int(unit.getid()[-2:])
            if position in self.wanted:
                unit.target = self.wanted[position]
        made = self.path("toolkit.xlf")
        store.savefile(made)
        self.import_equals_set(made)

    def test_translate_toolkit_po_round_trip(self):
        store = ttpo.pofile.parsefile(self.po)
        for unit in store.units:
            if unit.getcontext() and int(unit.getcontext()[-2:]) in self.wanted:
                unit.target = self.wanted[int(unit.getcontext()[-2:])]
        made = self.path("toolkit.po")
        store.savefile(made)
        self.import_equals_set(made)

    def polib_filled(self, name="polib.po", wrapwidth=78):
        entries = polib.pofile(self.po, wrapwidth=wrapwidth)
        for entry in entries:
            position = int(entry.msgctxt[-2:])
            if position in self.wanted:
                entry.msgstr = self.wanted[position]
        made = self.path(name)
        entries.save(made)
        return made

    def test_polib_round_trip_with_strings_wrapped(self):
        made = self.polib_filled(wrapwidth=20)
        with open(made, encoding="utf-8") as f:
            self.assertRegex(f.read(), r'msgstr ""\n"')  # wrapped over several lines
        self.import_equals_set(made)

    def test_msgcat_and_msgmerge_round_trips(self):
        filled = self.polib_filled()
        cat = self.path("msgcat.po")
        run("msgcat", "-o", cat, filled)
        with open(cat, encoding="utf-8") as f:
            self.assertNotIn("max-length", f.read())  # gettext drops the flags it does not know
        self.import_equals_set(cat)
        merged = self.path("msgmerge.po")
        run("msgmerge", "--quiet", "-o", merged, filled, self.pot)
        self.import_equals_set(merged)

    def test_obsolete_entries_are_ignored(self):
        template = polib.pofile(self.pot)
        template.remove([e for e in template if e.msgctxt == "text-40"][0])
        smaller = self.path("smaller.pot")
        template.save(smaller)
        filled = self.polib_filled()
        merged = self.path("obsolete.po")
        run("msgmerge", "--quiet", "-o", merged, filled, smaller)
        with open(merged, encoding="utf-8") as f:
            self.assertIn('#~ msgctxt "text-40"', f.read())
        del self.wanted[40]
        self.import_equals_set(merged)

    def test_crlf_and_byte_order_mark_from_windows_tools(self):
        store = ttxliff.xlifffile.parsefile(self.xlf)
        for unit in store.units:
            position = int(unit.getid()[-2:])
            if position in self.wanted:
                unit.target = self.wanted[position]
        with open(self.polib_filled(), "rb") as f:
            polib_made = f.read()
        for name, content in (("toolkit-crlf.xlf", bytes(store)), ("polib-crlf.po", polib_made)):
            made = self.path(name)
            with open(made, "wb") as f:
                f.write(b"\xef\xbb\xbf" + content.replace(b"\n", b"\r\n"))
            self.import_equals_set(made)

    def test_xliff_escapes_cdata_and_character_references(self):
        store = ttxliff.xlifffile.parsefile(self.xlf)
        for unit in store.units:
            position = int(unit.getid()[-2:])
            if position in self.wanted:
                unit.target = self.wanted[position]
        text = bytes(store).decode("utf-8")
        # One target as CDATA, one with every letter A written as a character reference, one with
        # its apostrophes as &apos; and a hex reference for a space.
        def rewrite(position, how):
            nonlocal text
            start = text.index('id="text-%02d"' % position)
            t0 = text.index("<target", start)
            t1 = text.index(">", t0) + 1
            t2 = text.index("</target>", t1)
            text = text[:t1] + how(text[t1:t2]) + text[t2:]
        rewrite(40, lambda t: "<![CDATA[" + t.replace("&apos;", "'").replace("&amp;", "&") + "]]>")
        rewrite(5, lambda t: t.replace("A", "&#x41;").replace("E", "&#69;"))
        rewrite(37, lambda t: t.replace("'", "&apos;").replace(" ", "&#x20;", 1))
        made = self.path("escaped.xlf")
        with open(made, "w", encoding="utf-8") as f:
            f.write(text)
        self.assertIn("<![CDATA[", text)
        self.import_equals_set(made, foreign=False)

    def test_fuzzy_and_needs_review_are_left_alone_and_counted(self):
        entries = polib.pofile(self.po)
        for entry in entries:
            position = int(entry.msgctxt[-2:])
            if position in self.wanted:
                entry.msgstr = self.wanted[position]
                if position == 8:
                    entry.flags.append("fuzzy")
        made = self.path("fuzzy.po")
        entries.save(made)
        fuzzy = self.wanted.pop(8)
        result = self.import_equals_set(made)
        self.assertIn("1 unfinished unit left alone", result.stdout)
        self.wanted[8] = fuzzy
        self.import_equals_set(made, "--include-unfinished", foreign=False)

        store = ttxliff.xlifffile.parsefile(self.xlf)
        for unit in store.units:
            position = int(unit.getid()[-2:])
            if position in self.wanted:
                unit.target = self.wanted[position]
                if position == 8:
                    unit.markfuzzy(True)  # translate-toolkit: approved="no"
        made = self.path("fuzzy.xlf")
        store.savefile(made)
        self.wanted.pop(8)
        result = self.import_equals_set(made)
        self.assertIn("1 unfinished unit left alone", result.stdout)

    # --- refusals ---------------------------------------------------------------------------------

    def refused(self, made, *needles):
        target = self.path("refused.nes")
        shutil.copyfile(self.image, target)
        result = run(TEXT, "import", target, made, check=False)
        self.assertEqual(result.returncode, 1, result.stderr)
        with open(target, "rb") as f, open(self.image, "rb") as g:
            self.assertEqual(f.read(), g.read())
        for needle in needles:
            self.assertIn(needle, result.stderr)
        checked = run(TEXT, "check", made, check=False)
        self.assertEqual(checked.returncode, 1, checked.stdout + checked.stderr)
        return result

    def test_refusals_name_file_line_and_id(self):
        entries = polib.pofile(self.po)
        entries[5].msgstr = "WANDERE"  # one short
        entries[6].msgstr = "ACEE"  # one long
        entries[7].msgstr = self.rows[7][5].replace(self.rows[7][5][0], "B", 1)  # B: not in Table2
        bad = self.path("bad.po")
        entries.save(bad)
        with open(bad, encoding="utf-8") as f:
            lines = f.read().split("\n")
        line5 = lines.index('msgstr "WANDERE"') + 1
        result = self.refused(bad, f"bad.po:{line5}: text-05: Cannot save Text", "text-06:", "text-07:", '"B"')
        self.assertIn("3 units refused", result.stderr)

        unknown = self.path("unknown.po")
        with open(unknown, "w", encoding="utf-8") as f:
            f.write('msgctxt "text-70"\nmsgid "A"\nmsgstr "B"\n')
        self.refused(unknown, "unknown.po:1: no text is named \"text-70\"")

        entity = self.path("entity.xlf")
        with open(entity, "w", encoding="utf-8") as f:
            f.write('<?xml version="1.0"?>\n<!DOCTYPE xliff [<!ENTITY w "WONDERER">]>\n'
                    '<xliff version="1.2"><file original="x" source-language="en" datatype="plaintext"><body>'
                    '<trans-unit id="text-05"><source>WANDERER</source><target>&w;</target></trans-unit>'
                    "</body></file></xliff>\n")
        self.refused(entity, "entity.xlf:2: a DOCTYPE")

        # Cut inside an entry's comments, inside a string, inside an element.
        for source, cut in ((self.xlf, 1500), (self.po, 1500), (self.po, 1530), (self.xlf, 30000)):
            truncated = self.path("truncated" + os.path.splitext(source)[1])
            with open(source, "rb") as f, open(truncated, "wb") as g:
                g.write(f.read()[:cut])
            self.refused(truncated, os.path.basename(truncated) + ":")

        plural = self.path("plural.po")
        with open(plural, "w", encoding="utf-8") as f:
            f.write('msgctxt "text-05"\nmsgid "A"\nmsgid_plural "As"\nmsgstr[0] "B"\nmsgstr[1] "Bs"\n')
        self.refused(plural, "plural.po:1: text-05: a plural entry")

    def test_check_reports_in_the_compilers_form(self):
        self.assertEqual(run(TEXT, "check", self.po).returncode, 0)
        self.assertEqual(run(TEXT, "check", self.xlf, "--image", self.image).returncode, 0)
        entries = polib.pofile(self.po)
        entries[5].msgstr = "WANDERE"
        bad = self.path("check.po")
        entries.save(bad)
        result = run(TEXT, "check", bad, check=False)
        self.assertEqual(result.returncode, 1)
        self.assertRegex(result.stderr, r"^" + re.escape(bad) + r":\d+: text-05: ")
        self.assertIn("1 refused", result.stdout)
        self.assertEqual(run(TEXT, "check", check=False).returncode, 2)


def tearDownModule():
    print(f"\nforeign-made files imported: {len(FOREIGN_IMPORTED)} ({', '.join(sorted(set(FOREIGN_IMPORTED)))})",
          file=sys.stderr)


if __name__ == "__main__":
    unittest.main()
