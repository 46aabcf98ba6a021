#!/usr/bin/env python3
"""The shipped DLL's exception table: every function the link keeps has its
unwind entry, so that an exception thrown through it reaches its handler
instead of ending in terminate; the shipped DLL is the image checked, stands
alone and keeps to its size.

    test_unwind.py BUILD_DIR        the cross build (Veltrane_ToolBar.dll and unwind/)
    test_unwind.py --check IMAGE    lists the functions of an unstripped image
                                    that lack their entry (exit status 1 if any)
"""
import glob
import os
import sys

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from unwind_table import Image, ImageError, describe, functions_without_entry  # noqa: E402

MAX_BYTES = 300_000
EXPORTS = {"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer", "DllUnregisterServer"}


class Suite:
    def __init__(self):
        self.passed = self.failed = 0

    def case(self, name, fn):
        print(f"[ RUN      ] Unwind.{name}", flush=True)
        try:
            problem = fn()
        except (ImageError, OSError) as e:
            problem = str(e)
        if problem:
            print(f"  {problem}")
            print(f"[  FAILED  ] Unwind.{name} (0 ms)")
            self.failed += 1
        else:
            print(f"[       OK ] Unwind.{name} (0 ms)")
            self.passed += 1


def main(build):
    shipped = os.path.join(build, "Veltrane_ToolBar.dll")
    checked = os.path.join(build, "unwind", "Veltrane_ToolBar.dll")
    first_pass = os.path.join(build, "unwind", "first-pass.dll")
    suite = Suite()

    def every_kept_function_has_its_entry():
        functions, entries, missing = functions_without_entry(checked)
        print(f"  {functions} functions, {entries} unwind entries")
        return describe(missing) if missing else None

    def an_image_without_the_entries_is_caught():
        # The link's first round drops every inline function's entry; the
        # check must see that, or it could not see it in a shipped DLL.
        _, _, missing = functions_without_entry(first_pass)
        print(f"  the first round's image: {len(missing)} functions without their entry")
        return None if missing else "the check found nothing wrong with an image that lacks entries"

    def the_shipped_dll_is_the_checked_image():
        a, b = Image(shipped), Image(checked)
        if a.nsyms:
            return "the shipped DLL carries a symbol table: it was not stripped"
        for name in (".text", ".rdata", ".data", ".eh_frame"):
            sa, sb = a.section(name), b.section(name)
            if not sa or not sb:
                return f"section {name} is missing"
            if a.image_base != b.image_base or sa[1:3] != sb[1:3] or \
                    a.data[sa[3]:sa[3] + sa[4]] != b.data[sb[3]:sb[3] + sb[4]]:
                return f"section {name} of the shipped DLL differs from the checked copy"
        return None

    def the_shipped_dll_stands_alone():
        image = Image(shipped)
        runtime = {os.path.basename(p).lower() for p in
                   glob.glob("/usr/lib/gcc/i686-w64-mingw32/*/*.dll") + glob.glob("/usr/i686-w64-mingw32/lib/*.dll")}
        own = [d for d in image.imported_dlls() if d.lower() in runtime or d.lower().startswith("lib")]
        if own:
            return f"imports the compiler's runtime DLLs: {', '.join(own)}"
        exports = set(image.exported_names())
        if exports != EXPORTS:
            return f"exports {sorted(exports)}, not {sorted(EXPORTS)}"
        return None

    def the_shipped_dll_is_at_most_300_kb():
        size = os.path.getsize(shipped)
        print(f"  {size} bytes")
        return f"{size} bytes, more than {MAX_BYTES}" if size > MAX_BYTES else None

    suite.case("EveryKeptFunctionHasItsEntry", every_kept_function_has_its_entry)
    suite.case("AnImageWithoutTheEntriesIsCaught", an_image_without_the_entries_is_caught)
    suite.case("TheShippedDllIsTheCheckedImage", the_shipped_dll_is_the_checked_image)
    suite.case("TheShippedDllStandsAlone", the_shipped_dll_stands_alone)
    suite.case("TheShippedDllIsAtMost300KB", the_shipped_dll_is_at_most_300_kb)
    print(f"unwind: {suite.passed} passed, {suite.failed} failed")
    return 1 if suite.failed else 0


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "--check":
        functions, entries, missing = functions_without_entry(sys.argv[2])
        print(f"{functions} functions, {entries} unwind entries")
        print(describe(missing, limit=len(missing)) if missing else "every kept function has its entry")
        sys.exit(1 if missing else 0)
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1]))
