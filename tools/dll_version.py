#!/usr/bin/env python3
"""The version a.b.c.d of a Windows file's version resource.

    python3 tools/dll_version.py FILE                 prints the file version
    python3 tools/dll_version.py --set A.B.C.D FILE   rewrites the file and
        product version, fixed and as text, in place (a later build of the
        same DLL for the tests); the texts must keep their length.
"""
import struct
import sys

SIGNATURE = struct.pack("<I", 0xFEEF04BD)


def fixed_info(data):
    at = data.find(SIGNATURE)
    if at < 0:
        sys.exit("dll_version: the file has no version resource")
    return at


def read(data):
    at = fixed_info(data)
    ms, ls = struct.unpack_from("<II", data, at + 8)
    return "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)


def write(data, version):
    old = read(data)
    fields = [int(f) for f in version.split(".")]
    if len(fields) != 4 or len(version) != len(old):
        sys.exit("dll_version: %s cannot replace %s in place" % (version, old))
    at = fixed_info(data)
    ms, ls = (fields[0] << 16) | fields[1], (fields[2] << 16) | fields[3]
    struct.pack_into("<IIII", data, at + 8, ms, ls, ms, ls)  # file, product
    for name in ("FileVersion", "ProductVersion"):
        key = (name + "\0").encode("utf-16-le")
        start = data.find(key)
        if start < 0:
            sys.exit("dll_version: no %s text" % name)
        # The value follows its key, aligned to four bytes.
        value = start + len(key)
        value += (4 - value % 4) % 4
        text = old.encode("utf-16-le")
        if data[value:value + len(text)] != text:
            sys.exit("dll_version: the %s text is not %s" % (name, old))
        data[value:value + len(text)] = version.encode("utf-16-le")


def main():
    args = sys.argv[1:]
    if len(args) == 3 and args[0] == "--set":
        with open(args[2], "rb") as f:
            data = bytearray(f.read())
        write(data, args[1])
        with open(args[2], "wb") as f:
            f.write(data)
    elif len(args) == 1:
        with open(args[0], "rb") as f:
            print(read(f.read()))
    else:
        sys.exit(__doc__)


main()
