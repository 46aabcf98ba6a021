#!/usr/bin/env python3
"""Links the toolbar DLL so that --gc-sections drops what nothing calls
without dropping an unwind entry of what it keeps.

GNU ld's default script for PE keeps every .eh_frame$<function> section
(KEEP(*(.eh_frame*))), the unwind entry GCC gives each inline or template
function of its own. Each entry refers to its function, so every kept entry
keeps its function and --gc-sections drops next to nothing of the runtime's
templates. Not keeping them at all would drop the entries of functions that
stay, and an exception thrown through one of those would end in terminate.
So the DLL is linked in rounds:

  1. with the linker's own script, only to print it (-Wl,--verbose);
  2. with that script keeping only the object files' shared .eh_frame
     sections: the link map then names every function section that code
     really reaches;
  3. again, keeping the .eh_frame$<function> of exactly those functions.
     Their entries may reach more code (an entry's LSDA names the types its
     handlers catch), so this round repeats until the kept functions stay
     the same;
  4. the image of the last round is checked: every function it keeps must
     have its entry (tools/unwind_table.py reads the table as the runtime
     does); then it is the DLL, stripped when the command says -s.

The launcher checks itself: a first round whose map names no function, or
implausibly few, means the map's format is not the one read here (a new
binutils), and the link fails with a message naming the linker's version
rather than hand on a DLL without the entries.

The link of round 3 is kept unstripped beside the map for the test that
checks every kept function's entry (tests/unwind/), and the image of round 2,
which lacks entries, for the test that shows the check catches that.

Used as the DLL's link launcher:  link_unwind_gc.py WORKDIR -- LINK COMMAND...
"""
import os
import re
import shutil
import subprocess
import sys

sys.dont_write_bytecode = True  # nothing written into the source tree
from unwind_table import ImageError, describe, functions_without_entry  # noqa: E402

KEEP_ALL = "KEEP(*(.eh_frame*))"
MAX_ROUNDS = 8
# The first round of the toolbar's link keeps several hundred function
# sections (after link-time optimisation has inlined what it could); a map
# read as naming fewer than this has changed its format.
MIN_KEPT = 100


def fail(message):
    sys.stderr.write(f"link_unwind_gc: {message}\n")
    sys.exit(1)


def run(cmd, capture=False):
    result = subprocess.run(cmd, stdout=subprocess.PIPE if capture else None, text=True)
    if result.returncode != 0:
        if capture and result.stdout:
            sys.stderr.write(result.stdout[-4000:])
        fail(f"link failed (exit code {result.returncode}): {' '.join(cmd)}")
    return result.stdout if capture else None


def split_command(argv):
    """The link command without its output and strip options: (command,
    output path, whether it asked for a stripped image)."""
    cmd, out, strip = [], "", False
    i = 0
    while i < len(argv):
        a = argv[i]
        if a == "-o" and i + 1 < len(argv):
            out = argv[i + 1]
            i += 2
            continue
        if a in ("-s", "-Wl,-s", "-Wl,--strip-all"):
            strip = True
        else:
            cmd.append(a)
        i += 1
    return cmd, out, strip


def default_script(cmd, work):
    # The image of this link is overwritten by the next round.
    text = run(cmd + ["-Wl,--verbose", "-o", os.path.join(work, "first-pass.dll")], capture=True)
    parts = re.split(r"^={20,}$", text, flags=re.M)
    if len(parts) < 3:
        fail("the linker did not print its script (-Wl,--verbose)")
    script = parts[1].strip("\n") + "\n"
    # Spaces inside the statement vary between binutils versions.
    lines = [i for i, line in enumerate(script.splitlines()) if line.replace(" ", "").strip() == KEEP_ALL]
    if len(lines) != 1:
        fail(f"the linker's script holds {KEEP_ALL} {len(lines)} times, not once: "
             "this link no longer knows where the unwind entries go")
    return script


def linker_version(cmd):
    ld = run(cmd[:1] + ["-print-prog-name=ld"], capture=True).strip()
    text = subprocess.run([ld, "--version"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True).stdout
    return (text.splitlines() or ["an unknown linker"])[0]


def script_keeping(script, functions):
    """The default script with the unwind entries of only the given functions
    kept, in input order with the shared sections, so that the terminator of
    crtend.o stays last."""
    kept = " ".join([".eh_frame"] + [f".eh_frame${f}" for f in sorted(functions)])
    out = []
    for line in script.splitlines():
        if line.replace(" ", "").strip() == KEEP_ALL:
            indent = line[:len(line) - len(line.lstrip())]
            out.append(f"{indent}KEEP(*({kept}))")
            out.append(f"{indent}*(.eh_frame$*)")
        else:
            out.append(line)
    return "\n".join(out) + "\n"


TEXT_SECTION = re.compile(r"^ \.text[^\s$]*\$(\S+)")


def kept_functions(map_path):
    """Suffixes of the function sections (.text$<name>, .text.unlikely$<name>)
    that the link map places in the image."""
    names = set()
    placed = False
    with open(map_path, encoding="latin-1") as f:
        for line in f:
            if line.startswith("Linker script and memory map"):
                placed = True
            elif placed:
                m = TEXT_SECTION.match(line)
                if m:
                    names.add(m.group(1))
    if not placed:
        fail(f"{map_path} has no memory map")
    return names


def link_round(cmd, work, name, script_text, output):
    script = os.path.join(work, f"{name}.x")
    with open(script, "w") as f:
        f.write(script_text)
    map_path = os.path.join(work, f"{name}.map")
    run(cmd + [f"-Wl,-T,{script}", f"-Wl,-Map,{map_path}", "-o", output])
    return kept_functions(map_path)


def main():
    if len(sys.argv) < 4 or sys.argv[2] != "--":
        fail("usage: link_unwind_gc.py WORKDIR -- LINK COMMAND...")
    work = sys.argv[1]
    if "-o" not in sys.argv[3:]:
        # The build's other steps of the link rule (the object archive).
        sys.exit(subprocess.run(sys.argv[3:]).returncode)
    cmd, out, strip = split_command(sys.argv[3:])
    os.makedirs(work, exist_ok=True)
    base = os.path.basename(out)

    script = default_script(cmd, work)
    functions = link_round(cmd, work, "first-pass", script_keeping(script, set()),
                           os.path.join(work, "first-pass.dll"))
    if len(functions) < MIN_KEPT:
        fail(f"the link map names {len(functions)} function sections that code reaches, "
             f"fewer than {MIN_KEPT}: {linker_version(cmd)} writes a map this launcher cannot read "
             f"(see {os.path.join(work, 'first-pass.map')})")
    checked = os.path.join(work, base)
    for n in range(1, MAX_ROUNDS + 1):
        final_script = script_keeping(script, functions)
        reached = link_round(cmd, work, "unwind", final_script, checked)
        if reached <= functions:
            break
        functions |= reached
    else:
        fail(f"the kept functions still grew after {MAX_ROUNDS} rounds")
    with open(os.path.join(work, "unwind-kept.txt"), "w") as f:
        f.write("".join(name + "\n" for name in sorted(functions)))
    try:
        _, _, missing = functions_without_entry(checked)
    except ImageError as e:
        fail(f"cannot read the exception table of {checked}: {e}")
    if missing:
        fail(f"{checked} ({linker_version(cmd)}): {describe(missing)}")

    if strip:
        # Stripped from the checked image itself: a link of its own would
        # place the DLL at another base address (it follows the file's path).
        ld = run(cmd[:1] + ["-print-prog-name=ld"], capture=True).strip()
        if not ld.endswith("ld"):
            fail(f"no strip beside the linker {ld}")
        run([ld[:-2] + "strip", "-o", out, checked])
    else:
        shutil.copyfile(checked, out)
    print(f"link_unwind_gc: {base}: {len(functions)} function sections kept with their unwind "
          f"entries after {n} round(s); {os.path.getsize(out)} bytes")


if __name__ == "__main__":
    main()
