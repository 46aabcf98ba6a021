#!/usr/bin/env python3
"""The vtbcheck command as operators use it: its report on the sample
configuration, the errors and traps of small files, exit statuses and JSON.

    VTBCHECK=build/core-native/vtbcheck python3 tests/vtbcheck/test_vtbcheck.py
"""
import json
import os
import shutil
import unittest

from support import SAMPLE, SAMPLE_CFG, Folder, main, run

MAIN_MENU = """\
Main menu (under the button "&Veltrane")
     18  Home page               -> https://www.veltrane.example/ [8]
     19  Legal databases
     20    Case law              -> https://www.veltrane.example/db/cases [9]
     21    Legislation           -> https://www.veltrane.example/db/legislation [10]
     22    Treaties              -> https://www.veltrane.example/db/treaties [11]
     23  --------
     24  Update toolbar          update (@1) [12]
     25  Clear search history    clear history (@2) [13]
     26  Hide toolbar            hide (@3) [14]
     27  --------
     28  Toolbar help            opens in a new window: https://www.veltrane.example/toolbar/help [15]
     29  About Veltrane ToolBar  about (@4) [16]
"""

SEARCH = """\
Search address for "contract law" with the first search option, the query in code page 1252:
  https://search.veltrane.example/find?method=fulltext&q=contract+law&src=toolbar
  (line 44, the method, line 45, the query, line 46)

Update address (line 49): https://www.veltrane.example/toolbar/Veltrane_ToolBar.cfg
The toolbar's update command takes this file.
"""

GOOD = (
    "1.0|test\r\n"                          # 1
    "[Buttons]\r\n"                         # 2
    "4\r\n"                                 # 3
    "&Lexa|https://lexa.example/\r\n"       # 4
    "&Find|https://lexa.example/find\r\n"   # 5
    "&Options|https://lexa.example/opt\r\n"  # 6
    "&Cases|https://lexa.example/cases\r\n"  # 7
    "\r\n"                                  # 8
    "[Main Menu]\r\n"                       # 9
    "2\r\n"                                 # 10
    "Home|https://lexa.example/home\r\n"    # 11
    "Update|@1\r\n"                         # 12
    "\r\n"                                  # 13
    "[Settings Menu - Search]\r\n"          # 14
    "3\r\n"                                 # 15
    "Search in|\r\n"                        # 16
    "All|all\r\n"                           # 17
    "Cases|cases\r\n"                       # 18
    "Statutes|statutes\r\n"                 # 19
    "\r\n"                                  # 20
    "[Search Parameters]\r\n"               # 21
    "https://lexa.example/search?m=\r\n"    # 22
    "&q=\r\n"                               # 23
    "\r\n"                                  # 24
    "\r\n"                                  # 25
    "[ToolBar Update URL]\r\n"              # 26
    "https://lexa.example/update.cfg\r\n"   # 27
)


def with_line(number, text, base=GOOD):
    lines = base.split("\r\n")
    lines[number - 1] = text
    return "\r\n".join(lines)


class CheckerTest(unittest.TestCase):
    def setUp(self):
        self.folder = Folder()
        shutil.copy(os.path.join(SAMPLE, "Cases.bmp"), self.folder.path)

    def tearDown(self):
        self.folder.close()

    def check(self, text, *options):
        path = self.folder.write("test.cfg", text)
        return run(*options, path)

    def diagnostics(self, out):
        """(line, severity, message) of each "FILE:LINE: severity: message" line."""
        found = []
        for line in out.splitlines():
            head, sep, rest = line.partition(": ")
            if not sep or not head.startswith(os.path.join(self.folder.path, "test.cfg")):
                continue
            place = head[len(os.path.join(self.folder.path, "test.cfg")):]
            severity, _, message = rest.partition(": ")
            if severity in ("error", "warning"):
                found.append((int(place[1:]) if place else 0, severity, message))
        return found

    def assertSays(self, out, line, severity, part):
        for l, s, m in self.diagnostics(out):
            if (l, s) == (line, severity) and part in m:
                return
        self.fail("no %s on line %d saying %r in:\n%s" % (severity, line, part, out))


class SampleTest(unittest.TestCase):
    def test_the_menu_tree_and_the_addresses_are_pinned(self):
        status, out, err = run(SAMPLE_CFG)
        self.assertEqual(status, 0, err)
        self.assertIn(MAIN_MENU, out)
        self.assertIn(SEARCH, out)
        self.assertTrue(out.endswith("\nno errors, no warnings\n"), out)

    def test_every_button_with_its_glyph_and_index(self):
        status, out, _ = run(SAMPLE_CFG)
        rows = [l.split() for l in out.split("\nButtons\n")[1].split("\n\n")[0].splitlines()[1:]]
        self.assertEqual([r[0] for r in rows], ["7", "8", "9", "10", "11", "12", "13", "14"])
        self.assertEqual(rows[0][:5], ["7", "main", '"&Veltrane"', "https://www.veltrane.example/", "0"])
        # Each caption marks its letter; the glyph file is named as the caption reads.
        self.assertEqual(rows[5][1:7], ["link", "3", '"&Lookup"', "https://lookup.veltrane.example/citation", "5",
                                        "Lookup.bmp"])
        self.assertIn("opens in a new window", " ".join(rows[5]))
        self.assertTrue(all("not found" not in " ".join(r) for r in rows))

    def test_the_settings_menu_and_search_options(self):
        _, out, _ = run(SAMPLE_CFG)
        self.assertIn('     34  1  Full text   method "fulltext" [17]  (selected until the user chooses another)\n'
                      '     35  2  Case names  method "casename" [18]\n', out)
        self.assertIn('         Buttons              sub-menu to show or hide the link buttons: '
                      '"&Cases", "L&aws", "&Lookup", "&Forms", "Te&rms"\n', out)
        self.assertIn("     41  Privacy notice       -> https://www.veltrane.example/privacy [21]\n", out)

    def test_json_says_the_same(self):
        status, out, _ = run("--json", SAMPLE_CFG)
        self.assertEqual(status, 0)
        report = json.loads(out)
        self.assertEqual(report["exitCode"], 0)
        self.assertTrue(report["updateAccepts"])
        self.assertEqual(report["searchAddress"],
                         "https://search.veltrane.example/find?method=fulltext&q=contract+law&src=toolbar")
        self.assertEqual(report["updateAddress"],
                         {"line": 49, "text": "https://www.veltrane.example/toolbar/Veltrane_ToolBar.cfg"})
        tree = [(e["caption"], e["command"], [s["caption"] for s in e["subEntries"]]) for e in report["mainMenu"]]
        self.assertEqual(tree, [
            ("Home page", "opens the address", []),
            ("Legal databases", "none", ["Case law", "Legislation", "Treaties"]),
            ("-", "none", []),
            ("Update toolbar", "update", []),
            ("Clear search history", "clear history", []),
            ("Hide toolbar", "hide", []),
            ("-", "none", []),
            ("Toolbar help", "opens in a new window", []),
            ("About Veltrane ToolBar", "about", []),
        ])
        links = [b for b in report["buttons"] if b["role"] == "link"]
        self.assertEqual([(b["caption"], b["index"], b["glyph"]["found"]) for b in links],
                         [("&Cases", 3, True), ("L&aws", 4, True), ("&Lookup", 5, True), ("&Forms", 6, True),
                          ("Te&rms", 7, True)])
        self.assertEqual(report["diagnostics"], [])

    def test_another_sample_query(self):
        _, out, _ = run("--query", "tort & contract", SAMPLE_CFG)
        self.assertIn("find?method=fulltext&q=tort+%26+contract&src=toolbar\n", out)


class ErrorTest(CheckerTest):
    """Errors: the toolbar's own message box texts, exit status 2."""

    def test_a_count_that_is_no_number(self):
        status, out, _ = self.check(with_line(15, "3 "))
        self.assertEqual(status, 2)
        self.assertSays(out, 15, "error", "'3 ' is not a valid integer value.")
        self.assertIn("construction stops at line 15", out)
        self.assertIn("The toolbar's update command refuses this file.", out)

    def test_every_bad_count_is_reported(self):
        status, out, _ = self.check(with_line(3, "four", with_line(10, "")))
        self.assertEqual(status, 2)
        self.assertSays(out, 3, "error", "'four' is not a valid integer value.")
        self.assertSays(out, 10, "error", "'' is not a valid integer value.")

    def test_a_sub_entry_with_no_entry_above(self):
        status, out, _ = self.check(with_line(11, "+Home|https://lexa.example/home"))
        self.assertEqual(status, 2)
        self.assertSays(out, 11, "error", "Menu index out of range.")

    def test_a_glyph_file_that_is_no_bitmap(self):
        self.folder.write("Cases.bmp", b"BM" + b"\0" * 40)
        status, out, _ = self.check(GOOD)
        self.assertEqual(status, 2)
        self.assertSays(out, 7, "error", "Bitmap image is not valid.")
        self.assertIn("The toolbar's update command takes this file.", out)

    def test_a_zero_byte_and_a_file_without_sections(self):
        status, out, _ = self.check(GOOD.replace("Home|", "Ho\0me|"))
        self.assertEqual(status, 2)
        self.assertSays(out, 11, "error", "zero byte")
        status, out, _ = self.check("<html><body>Service unavailable</body></html>\r\n")
        self.assertEqual(status, 2)
        self.assertSays(out, 0, "error", "no section header")

    def test_a_file_without_any_target(self):
        status, out, _ = self.check("1|x\r\n[Search Parameters]\r\nhttps://a/?q=\r\n\r\n\r\n")
        self.assertEqual(status, 2)
        self.assertSays(out, 0, "error", "List index out of bounds (0)")

    def test_a_file_that_cannot_be_opened(self):
        missing = os.path.join(self.folder.path, "missing.cfg")
        status, _, err = run(missing)
        self.assertEqual(status, 2)
        self.assertIn('error: Cannot open file "%s". No such file or directory.' % missing, err)
        status, _, err = run(self.folder.path)
        self.assertEqual(status, 2)
        self.assertIn("It is a folder", err)


class TrapTest(CheckerTest):
    """Traps that build silently: warnings, exit status 1."""

    def warns(self, text, line, part):
        status, out, _ = self.check(text)
        self.assertEqual(status, 1, out)
        self.assertSays(out, line, "warning", part)
        return out

    def test_a_clean_file(self):
        status, out, _ = self.check(GOOD)
        self.assertEqual(status, 0, out)

    def test_a_plus_in_a_main_menu_line(self):
        self.warns(with_line(12, "Search|https://lexa.example/?q=a+b"), 12,
                   'becomes a sub-entry of the entry above it and its caption loses its first letter: "earch"')

    def test_counts_that_disagree_or_run_past_the_end(self):
        self.warns(with_line(10, "1"), 10, '"[Main Menu]": the count 1 disagrees with the lines that follow: '
                                           "2 entry lines follow, and line 12 is not read")
        self.warns(with_line(10, "4"), 10, "lines 13 to 14 are read as well (a blank line, "
                                           '"[Settings Menu - Search]")')
        self.warns(GOOD + "[Main Menu]\r\n9\r\nMore|m\r\n", 29, "runs past the end of the file: only 1 line follows")

    def test_repeated_and_near_miss_headers(self):
        self.warns(GOOD + "[Main Menu]\r\n1\r\nMore|m\r\n", 28, '"[Main Menu]" appears again (first on line 9)')
        for miss in ("[main menu]", "[Main Menu] ", "[Main Menu", " [Main Menu]"):
            self.warns(with_line(9, miss), 9, '"%s" is not a section header' % miss)

    def test_link_buttons_glyphs_and_captions(self):
        os.remove(os.path.join(self.folder.path, "Cases.bmp"))
        self.warns(GOOD, 7, 'link button 1 "&Cases" has no glyph file "Cases.bmp"')
        self.warns(with_line(7, "Cases and court decisions|c"), 7, "is shortened to")

    def test_glyph_files_are_found_whatever_their_letter_case(self):
        os.rename(os.path.join(self.folder.path, "Cases.bmp"), os.path.join(self.folder.path, "cASES.BMP"))
        status, out, _ = self.check(GOOD)
        self.assertEqual(status, 0, out)
        self.assertIn("Cases.bmp 16 x 16", out)

    def test_more_than_seventeen_link_buttons(self):
        links = "".join("L%d|l\r\n" % n for n in range(2, 20))
        self.warns(with_line(3, "22", with_line(7, "Cases|c\r\n" + links.rstrip("\r\n"))), 3,
                   "more than 17 link buttons (19)")

    def test_addresses(self):
        self.warns(with_line(22, "www.lexa.example/search?m="), 22, "does not start with http:// or https://")
        self.warns(with_line(27, "http://lexa.example/update.cfg"), 27,
                   "is not https: anyone on the network path could replace every user's configuration")

    def test_a_file_without_buttons(self):
        self.warns(GOOD.replace("[Buttons]", "[Knoepfe]"), 0, 'no "[Buttons]" section')

    def test_texts_of_the_upper_half_come_out_as_utf8(self):
        out = self.warns(with_line(7, "Caf\xe9 \u20ac|https://lexa.example/"), 7, "no glyph file")
        self.assertIn('"Caf\xe9 \u20ac"', out)
        # Columns line up by characters, not bytes.
        rows = out.split("\nButtons\n")[1].splitlines()
        self.assertEqual(rows[2].index("https://lexa.example/find"), rows[4].index("https://lexa.example/ "))


class CommandLineTest(CheckerTest):
    def test_json_is_valid_and_agrees_with_the_text(self):
        texts = [GOOD, with_line(15, "x"), with_line(10, "4"), with_line(4, 'Say "hi"\t\x01|x'), "", "\r\n"]
        for text in texts:
            status, out, _ = self.check(text)
            jstatus, jout, _ = self.check(text, "--json")
            report = json.loads(jout)
            self.assertEqual(jstatus, status)
            self.assertEqual(report["exitCode"], status)
            said = [(d["line"] or 0, d["severity"], d["message"]) for d in report["diagnostics"]]
            self.assertEqual([(l, s, m.split(" (")[0]) for l, s, m in self.diagnostics(out)],
                             [(l, s, m.split(" (")[0]) for l, s, m in said])

    def test_a_code_page_reads_as_a_computer_with_it_does(self):
        # "サポート" in code page 932: its "ポ" ends in the byte of "|".
        support = "\u30b5\u30dd\u30fc\u30c8".encode("cp932")
        text = GOOD.encode("cp1252").replace(b"&Cases|", b"&Cases " + support + b"|")
        _, out, _ = self.check(text, "--codepage", "932")
        self.assertIn("\u30b5\u30dd\u30fc\u30c8\"  https://lexa.example/cases", out)
        _, out, _ = self.check(text)
        self.assertIn('"&Cases \u0192T\u0192"', out, "in 1252 the caption ends inside a letter")
        # Russian: the sample query goes in the code page's bytes; a file
        # marked as UTF-8 is read in it.
        cyrillic = "\ufeff" + GOOD.replace("&Cases|", "&\u0414\u0435\u043b\u0430|")
        status, out, _ = self.check(cyrillic.encode("utf-8"), "--codepage", "1251", "--query", "\u0434\u043e\u0433")
        self.assertIn("&q=%E4%EE%E3\n", out)
        self.assertIn("\"&\u0414\u0435\u043b\u0430\"", out)
        status, out, _ = self.check(cyrillic.encode("utf-8"), "--query", "\u0434\u043e\u0433")
        self.assertSays(out, 7, "warning", "code page 1252 cannot show")
        self.assertIn("none: the query holds letters that code page 1252 lacks", out)

    def test_wrong_command_lines(self):
        for args in ([], ["a.cfg", "b", "c"], ["--bogus", "a.cfg"], ["--menu", "main", "a.cfg"],
                     ["--preview", "x.png", "--menu", "help", "a.cfg"], ["--query"], ["--codepage", "1", "a.cfg"],
                     ["--preview", "x.png", "--dpi", "1.5", "a.cfg"], ["--preview", "x.png", "--dpi", "48", "a.cfg"],
                     ["--dpi", "144", "a.cfg"]):
            status, _, err = run(*args)
            self.assertEqual(status, 3, args)
            self.assertIn("usage: vtbcheck", err)

    def test_a_glyph_folder_of_its_own(self):
        glyphs = os.path.join(self.folder.path, "glyphs")
        os.mkdir(glyphs)
        os.rename(os.path.join(self.folder.path, "Cases.bmp"), os.path.join(glyphs, "Cases.bmp"))
        path = self.folder.write("test.cfg", GOOD)
        status, out, _ = run(path, glyphs)
        self.assertEqual(status, 0, out)
        status, _, err = run(path, os.path.join(glyphs, "Cases.bmp"))
        self.assertEqual(status, 3)
        self.assertIn("is no folder", err)


if __name__ == "__main__":
    main("vtbcheck")
