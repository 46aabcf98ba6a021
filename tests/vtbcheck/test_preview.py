#!/usr/bin/env python3
"""vtbcheck --preview: the toolbar painted by Veltrane_ToolBar.dll itself
under Wine, on a private Xvfb display, saved as a PNG. Checks the picture's
size and a few of its pixels, and that nothing it started is left running.

    VTBCHECK=build/core-native/vtbcheck VTBCHECK_WINEPREFIX=build/wineprefix-vtbcheck \\
        python3 tests/vtbcheck/test_preview.py
(the DLL and vtbpreview.exe are found in build/cross beside build/core-native)
"""
import os
import re
import shutil
import subprocess
import unittest

from support import SAMPLE, SAMPLE_CFG, Folder, main, read_bmp24, read_png, run, toolbar_layout, vtbcheck_path

LAYOUT = toolbar_layout()
LINK_LEFT = LAYOUT["kFirstLinkSlot"]
LINK_WIDTH = LAYOUT["kLinkButtonWidth"]
HEIGHT = LAYOUT["kButtonHeight"]
MAIN_RIGHT = LAYOUT["kMainButtonLeft"] + LAYOUT["kMainButtonWidth"]
SEARCH_LEFT = LAYOUT["kSearchButtonLeft"]
SETTINGS_LEFT = LAYOUT["kSettingsButtonLeft"]


def preview_env():
    env = dict(os.environ)
    env.pop("DISPLAY", None)  # a private Xvfb, started and stopped by vtbcheck
    env.pop("WINEPREFIX", None)
    env["VTBCHECK_VERBOSE"] = "1"
    return env


def wineserver_running(prefix):
    """Whether a process works in the server folder of the prefix, as
    Wine's server of that prefix does."""
    info = os.stat(prefix)
    suffix = "/server-%x-%x" % (info.st_dev, info.st_ino)
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            if os.readlink("/proc/%s/cwd" % pid).endswith(suffix):
                return True
        except OSError:
            pass
    return False


def alive(pid):
    try:
        with open("/proc/%d/stat" % pid) as f:
            return f.read().split(") ")[-1][0] != "Z"
    except OSError:
        return False


class PreviewTest(unittest.TestCase):
    def setUp(self):
        self.folder = Folder()

    def tearDown(self):
        self.folder.close()

    def preview(self, *args):
        out = os.path.join(self.folder.path, "out.png")
        status, stdout, stderr = run("--preview", out, *args, env=preview_env(), timeout=600)
        self.assertEqual(status, 0, stdout + stderr)
        self.assertIn(out + ": ", stdout)
        self.assertNoneLeft(stderr)
        return read_png(out), stderr

    def assertNoneLeft(self, stderr):
        said = re.search(r"Wine prefix (.*), display :(\d+) \(Xvfb, process (\d+)\)", stderr)
        self.assertTrue(said, stderr)
        prefix, display, pid = said.group(1), said.group(2), int(said.group(3))
        self.assertFalse(alive(pid), "Xvfb is still running")
        self.assertFalse(os.path.exists("/tmp/.X11-unix/X" + display), "the display's socket is left")
        self.assertFalse(wineserver_running(prefix), "the prefix's wineserver is still running")

    def assertGlyphAt(self, rows, glyph_file, left, right, face):
        """The glyph appears unchanged in [left, right), its key colour as
        the face."""
        width, height, glyph = read_bmp24(os.path.join(SAMPLE, glyph_file))
        key = glyph[height - 1][0]
        want = [[face if p == key else p for p in row] for row in glyph]
        for y in range(0, len(rows) - height + 1):
            for x in range(left, right - width + 1):
                if all(rows[y + j][x:x + width] == want[j] for j in range(height)):
                    return x, y
        self.fail("%s not found between x %d and %d" % (glyph_file, left, right))

    def test_the_sample_toolbar_with_its_idle_faces_and_glyphs(self):
        (width, height, rows), _ = self.preview(SAMPLE_CFG)
        # Five link buttons after the Settings button.
        self.assertEqual((width, height), (LINK_LEFT + 5 * LINK_WIDTH, HEIGHT))
        face = rows[12][102]  # the form between the main button and the search box
        self.assertTrue(face[0] == face[1] == face[2] and face[0] >= 192, face)
        # No button has a hover frame: every button's edge is the face.
        edges = [(0, MAIN_RIGHT), (SEARCH_LEFT, SETTINGS_LEFT), (SETTINGS_LEFT, LINK_LEFT)] + \
            [(LINK_LEFT + LINK_WIDTH * i, LINK_LEFT + LINK_WIDTH * (i + 1)) for i in range(5)]
        for left, right in edges:
            for x in range(left, right):
                self.assertEqual((rows[0][x], rows[HEIGHT - 1][x]), (face, face), (left, x))
            for y in range(HEIGHT):
                self.assertEqual((rows[y][left], rows[y][right - 1]), (face, face), (left, y))
        # The glyphs of the first and the third link button, centred with their captions.
        x, y = self.assertGlyphAt(rows, "Cases.bmp", LINK_LEFT, LINK_LEFT + LINK_WIDTH, face)
        self.assertEqual(y, (HEIGHT - 4) // 2 - 8 + 2)
        self.assertGlyphAt(rows, "Lookup.bmp", LINK_LEFT + 2 * LINK_WIDTH, LINK_LEFT + 3 * LINK_WIDTH, face)
        self.assertGlyphAt(rows, "Veltrane.bmp", 0, MAIN_RIGHT, face)

    def test_a_users_settings_file_decides_the_link_buttons(self):
        settings = self.folder.write("user.ini", "[Settings]\r\nSpdButn_1=0\r\nSpdButn_4=1\r\n")
        (width, height, rows), _ = self.preview("--settings", settings, SAMPLE_CFG)
        self.assertEqual((width, height), (LINK_LEFT + LINK_WIDTH, HEIGHT))
        self.assertGlyphAt(rows, "Forms.bmp", LINK_LEFT, LINK_LEFT + LINK_WIDTH, rows[12][102])

    def test_on_a_display_at_150_percent(self):
        (width, height, rows), _ = self.preview("--dpi", "144", SAMPLE_CFG)
        # The first slot at 660, slots of 97 (65 at 100 %), 37 high.
        self.assertEqual((width, height), (660 + 5 * 97, 37))
        # The glyph 24 pixels square, each pixel the source pixel under its
        # centre: no colour mixed, its transparent colour exactly the face's.
        src_width, src_height, glyph = read_bmp24(os.path.join(SAMPLE, "Cases.bmp"))
        scaled = [[glyph[(2 * y + 1) * src_height // 48][(2 * x + 1) * src_width // 48] for x in range(24)]
                  for y in range(24)]
        face = rows[18][153]
        key = glyph[src_height - 1][0]
        want = [[face if p == key else p for p in row] for row in scaled]
        self.assertTrue(any(all(rows[y + j][x:x + 24] == want[j] for j in range(24))
                            for y in range(0, height - 23) for x in range(660, 660 + 97 - 23)),
                        "the scaled Cases glyph is not in the first link button")

    def test_the_main_menu_opened_by_the_toolbars_own_button(self):
        (width, height, rows), _ = self.preview("--menu", "main", SAMPLE_CFG)
        self.assertEqual(width, LINK_LEFT + 5 * LINK_WIDTH)
        # Twelve entries with two separators hang below the button.
        self.assertGreater(height, HEIGHT + 9 * 12)
        menu_right = max(x for x in range(width) if rows[HEIGHT + 10][x] != (255, 255, 255))
        self.assertLess(menu_right, 300)
        dark = [rows[y][x] for y in range(HEIGHT + 4, height - 4) for x in range(4, menu_right - 4)
                if max(rows[y][x]) < 100]
        self.assertGreater(len(dark), 200, "no entry captions in the menu")
        # Around the menu the picture is blank.
        self.assertTrue(all(rows[y][x] == (255, 255, 255)
                            for y in range(HEIGHT + 2, height) for x in range(menu_right + 2, width)))

    def test_the_settings_menu_opens_under_its_button(self):
        (width, height, rows), _ = self.preview("--menu", "settings", SAMPLE_CFG)
        self.assertGreater(height, HEIGHT + 40)
        columns = [x for x in range(width) if rows[HEIGHT + 10][x] != (255, 255, 255)]
        self.assertGreater(min(columns), 300)
        self.assertLess(max(columns), 500)

    def test_a_broken_file_shows_what_the_toolbar_built_and_its_message(self):
        shutil.copy(os.path.join(SAMPLE, "Cases.bmp"), self.folder.path)
        config = self.folder.write("broken.cfg", "1|x\r\n[Buttons]\r\n4\r\nA|a\r\nB|b\r\nC|c\r\nCases|d\r\n"
                                                 "[Main Menu]\r\nmany\r\n")
        (width, height, _), stderr = self.preview(config)
        self.assertIn("the toolbar showed the message: 'many' is not a valid integer value.", stderr)
        # Construction stopped before the user's settings: no link button shows.
        self.assertEqual((width, height), (LINK_LEFT, HEIGHT))


@unittest.skipUnless(os.environ.get("VTBCHECK_WINDOWS_PREFIX"), "no Wine prefix for vtbcheck.exe given")
class WindowsBuildTest(unittest.TestCase):
    """vtbcheck.exe, built for Windows from the same sources, run under Wine
    in the Wine environment of the test command (VTBCHECK_WINDOWS_PREFIX,
    VTBCHECK_WINDOWS_DISPLAY), says what the Linux build says and makes
    its preview by starting vtbpreview.exe directly."""

    def wine(self, *args):
        env = dict(os.environ)
        env.update(WINEPREFIX=os.environ["VTBCHECK_WINDOWS_PREFIX"], WINEARCH="win32", WINEDEBUG="-all",
                   WINEDLLOVERRIDES="mscoree,mshtml=", DISPLAY=os.environ.get("VTBCHECK_WINDOWS_DISPLAY", ""))
        exe = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(vtbcheck_path()))), "cross",
                           "vtbcheck.exe")
        proc = subprocess.run(["wine", exe, *args], capture_output=True, env=env, timeout=300)
        return proc.returncode, proc.stdout.decode("cp1252").replace("\r\n", "\n")

    def test_the_report_is_the_same(self):
        folder = Folder()
        try:
            traps = folder.write("traps.cfg", "1|x\r\n[buttons]\r\n[Main Menu]\r\n3\r\nHome|h\r\nA|b+c\r\n")
            for args in ([SAMPLE_CFG], ["--json", SAMPLE_CFG], [traps], ["--json", traps]):
                status, out = self.wine(*args)
                # Windows joins the glyph folder and the file name with a backslash.
                out = out.replace("\\\\", "/")
                self.assertEqual((status, out), run(*args)[:2], args)
        finally:
            folder.close()

    def test_the_preview_is_the_linux_builds_picture(self):
        folder = Folder()
        try:
            png = os.path.join(folder.path, "windows.png")
            status, out = self.wine("--preview", "Z:" + png.replace("/", "\\"), SAMPLE_CFG)
            self.assertEqual(status, 0, out)
            linux = os.path.join(folder.path, "linux.png")
            status, _, err = run("--preview", linux, SAMPLE_CFG, env=preview_env(), timeout=600)
            self.assertEqual(status, 0, err)
            self.assertEqual(read_png(png), read_png(linux))
        finally:
            folder.close()


    def test_the_preview_touches_none_of_the_users_data(self):
        """Run where the toolbar is installed per user, over a user's
        downloaded copy that a deployment superseded and a copy set aside
        earlier: the preview reads, moves and writes none of them."""
        prefix = os.environ["VTBCHECK_WINDOWS_PREFIX"]
        users = os.path.join(prefix, "drive_c", "users")
        folders = [os.path.join(users, user, "AppData", "LocalLow", "Veltrane ToolBar") for user in os.listdir(users)
                   if os.path.isdir(os.path.join(users, user, "AppData", "LocalLow"))]
        self.assertTrue(folders, "no user's LocalLow in " + users)
        key = "HKLM\\Software\\Veltrane ToolBar"
        self.assertEqual(self.wine_reg("add", key, "/v", "PerUserData", "/t", "REG_DWORD", "/d", "1", "/f"), 0)
        folder = Folder()
        try:
            names = {"Veltrane_ToolBar.cfg": "1|mine\r\n[Buttons]\r\n3\r\nMine|m\r\nS|s\r\nT|t\r\n",
                     "Veltrane_ToolBar.cfg.superseded": "fnv1a64 0000000000000000 1\r\n",
                     "Veltrane_ToolBar.cfg.old-20260101-000000": "1|earlier\r\n[Buttons]\r\n",
                     "Veltrane_ToolBar.ini": "[Settings]\r\nSearch History0=a client's matter\r\n"}
            for data in folders:
                os.makedirs(data, exist_ok=True)
                for name, text in names.items():
                    with open(os.path.join(data, name), "w", newline="") as f:
                        f.write(text)
            paths = [os.path.join(data, n) for data in folders for n in os.listdir(data)]
            contents = {path: open(path, "rb").read() for path in paths}
            # Last read before their last write: a read now would move the
            # time of last access (as the file system keeps it).
            for path in paths:
                mtime = os.stat(path).st_mtime_ns
                os.utime(path, ns=(mtime - 3600 * 10**9, mtime))
            times = {path: (os.stat(path).st_atime_ns, os.stat(path).st_mtime_ns) for path in paths}
            png = os.path.join(folder.path, "own.png")
            status, out = self.wine("--preview", "Z:" + png.replace("/", "\\"), SAMPLE_CFG)
            self.assertEqual(status, 0, out)
            self.assertEqual(sorted(paths), sorted(os.path.join(data, n) for data in folders for n in os.listdir(data)))
            self.assertEqual(times, {path: (os.stat(path).st_atime_ns, os.stat(path).st_mtime_ns) for path in paths})
            self.assertEqual(contents, {path: open(path, "rb").read() for path in paths})
        finally:
            folder.close()
            self.wine_reg("delete", key, "/v", "PerUserData", "/f")
            for data in folders:
                shutil.rmtree(data, ignore_errors=True)

    def wine_reg(self, *args):
        env = dict(os.environ)
        env.update(WINEPREFIX=os.environ["VTBCHECK_WINDOWS_PREFIX"], WINEARCH="win32", WINEDEBUG="-all",
                   WINEDLLOVERRIDES="mscoree,mshtml=")
        return subprocess.run(["wine", "reg", *args], capture_output=True, env=env, timeout=120).returncode


class WithoutToolbarTest(unittest.TestCase):
    def test_a_missing_dll_is_named(self):
        folder = Folder()
        try:
            status, _, err = run("--preview", os.path.join(folder.path, "x.png"), "--toolbar-dir", folder.path,
                                 SAMPLE_CFG)
        finally:
            folder.close()
        self.assertEqual(status, 3)
        self.assertIn("Veltrane_ToolBar.dll and vtbpreview.exe not found", err)


if __name__ == "__main__":
    main("preview")
