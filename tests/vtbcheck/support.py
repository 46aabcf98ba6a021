"""What the vtbcheck tests share: running the command, reading PNG and BMP
files with Python's own modules, and a runner whose output the project's
test scripts count like GoogleTest's."""
import os
import re
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SAMPLE = os.path.join(REPO, "resources", "sample")
SAMPLE_CFG = os.path.join(SAMPLE, "Veltrane_ToolBar.cfg")



def toolbar_layout():
    """The form's geometry as the toolbar defines it (core/toolbar_layout.h):
    {"kFirstLinkSlot": 440, ...}."""
    with open(os.path.join(REPO, "core", "toolbar_layout.h")) as f:
        text = f.read()
    return {name: int(value) for name, value in re.findall(r"constexpr int (k\w+) = (\d+);", text)}

def vtbcheck_path():
    path = os.environ.get("VTBCHECK")
    if not path:
        sys.exit("set VTBCHECK to the vtbcheck program")
    return path


def run(*args, env=None, timeout=60):
    """Runs vtbcheck; returns (exit status, stdout, stderr) as text."""
    proc = subprocess.run([vtbcheck_path(), *args], capture_output=True, env=env, timeout=timeout)
    return proc.returncode, proc.stdout.decode("utf-8"), proc.stderr.decode("utf-8")


class Folder:
    """A temporary folder with configuration and glyph files."""

    def __init__(self):
        self._dir = tempfile.TemporaryDirectory(prefix="vtbcheck-test-")
        self.path = self._dir.name

    def write(self, name, data):
        path = os.path.join(self.path, name)
        with open(path, "wb") as f:
            f.write(data if isinstance(data, bytes) else data.encode("cp1252"))
        return path

    def close(self):
        self._dir.cleanup()


def read_png(path):
    """(width, height, rows of (r, g, b)) of an 8-bit RGB PNG."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "no PNG signature"
    at, idat, width, height = 8, b"", 0, 0
    while at < len(data):
        (length,) = struct.unpack(">I", data[at:at + 4])
        kind, body = data[at + 4:at + 8], data[at + 8:at + 8 + length]
        (crc,) = struct.unpack(">I", data[at + 8 + length:at + 12 + length])
        assert zlib.crc32(kind + body) == crc, "bad CRC in " + kind.decode()
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            assert (depth, colour) == (8, 2), "not 8-bit RGB"
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    raw = zlib.decompress(idat)
    stride = 1 + 3 * width
    rows = []
    for y in range(height):
        row = raw[y * stride:(y + 1) * stride]
        assert row[0] == 0, "filtered row"
        rows.append([tuple(row[1 + 3 * x:4 + 3 * x]) for x in range(width)])
    return width, height, rows


def read_bmp24(path):
    """(width, height, rows of (r, g, b), top row first) of a 24-bit BMP."""
    with open(path, "rb") as f:
        data = f.read()
    offset, = struct.unpack("<I", data[10:14])
    width, height, _, bits = struct.unpack("<iiHH", data[18:30])
    assert bits == 24
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(abs(height)):
        row = data[offset + y * stride:offset + y * stride + 3 * width]
        rows.append([(row[3 * x + 2], row[3 * x + 1], row[3 * x]) for x in range(width)])
    if height > 0:
        rows.reverse()
    return width, abs(height), rows


class _Result(unittest.TextTestResult):
    def startTest(self, test):
        unittest.TestResult.startTest(self, test)

    def addSuccess(self, test):
        unittest.TestResult.addSuccess(self, test)
        print("[       OK ] " + self._name(test), flush=True)

    def addFailure(self, test, err):
        unittest.TestResult.addFailure(self, test, err)
        print(self._exc_info_to_string(err, test), flush=True)
        print("[  FAILED  ] " + self._name(test) + " (0 ms)", flush=True)

    def addError(self, test, err):
        unittest.TestResult.addError(self, test, err)
        print(self._exc_info_to_string(err, test), flush=True)
        print("[  FAILED  ] " + self._name(test) + " (0 ms)", flush=True)

    def addSkip(self, test, reason):
        unittest.TestResult.addSkip(self, test, reason)
        print("[  SKIPPED ] %s (%s)" % (self._name(test), reason), flush=True)

    @staticmethod
    def _name(test):
        return type(test).__name__ + "." + test._testMethodName


def main(name):
    """Runs the module's tests; ends with GoogleTest's summary lines and
    "NAME: N passed, N failed"."""
    suite = unittest.defaultTestLoader.loadTestsFromModule(sys.modules["__main__"])
    result = unittest.TextTestRunner(resultclass=_Result, verbosity=0, stream=open(os.devnull, "w")).run(suite)
    failed = len(result.failures) + len(result.errors)
    passed = result.testsRun - failed - len(result.skipped)
    print("[  PASSED  ] %d tests." % passed)
    if failed:
        print("[  FAILED  ] %d tests, listed below:" % failed)
    print("%s: %d passed, %d failed" % (name, passed, failed))
    sys.exit(1 if failed else 0)
