"""Reads the exception table of a 32-bit PE image built by GCC: the function
symbols of its unstripped copy and the unwind entries (FDEs) that the runtime
registers, from ___EH_FRAME_BEGIN__ up to the zero-length terminator; and
which of its functions lack their entry. Used by the DLL's link launcher
(link_unwind_gc.py), which checks its own output, and by tests/unwind/."""
import bisect
import struct


class ImageError(Exception):
    pass


def _cstr(data, off):
    end = data.index(b"\0", off)
    return data[off:end].decode("latin-1")


class Image:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = data = f.read()
        if data[:2] != b"MZ":
            raise ImageError(f"{path}: not a PE image")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ImageError(f"{path}: not a PE image")
        (machine, nsec, _, self.symtab, self.nsyms, optsize, _) = \
            struct.unpack_from("<HHIIIHH", data, pe + 4)
        if machine != 0x14C:
            raise ImageError(f"{path}: not an i386 image")
        opt = pe + 24
        self.image_base = struct.unpack_from("<I", data, opt + 28)[0]
        strtab = self.symtab + 18 * self.nsyms
        self.sections = []
        for i in range(nsec):
            h = opt + optsize + 40 * i
            raw_name = data[h:h + 8].rstrip(b"\0").decode("latin-1")
            if raw_name.startswith("/") and self.symtab:
                raw_name = _cstr(data, strtab + int(raw_name[1:]))
            vsize, rva, rawsize, rawptr = struct.unpack_from("<IIII", data, h + 8)
            flags = struct.unpack_from("<I", data, h + 36)[0]
            self.sections.append((raw_name, rva, vsize, rawptr, rawsize, flags))
        self._strtab = strtab

    def section(self, name):
        for s in self.sections:
            if s[0] == name or (len(name) > 8 and s[0] == name[:8]):
                return s
        return None

    def read_va(self, va, size):
        rva = va - self.image_base
        for _, srva, vsize, rawptr, rawsize, _ in self.sections:
            if srva <= rva < srva + max(vsize, rawsize):
                off = rva - srva
                if off + size > rawsize:
                    raise ImageError(f"address {va:#x} lies past the section's data")
                return self.data[rawptr + off:rawptr + off + size]
        raise ImageError(f"address {va:#x} is in no section")

    def _rva_bytes(self, rva, size):
        return self.read_va(self.image_base + rva, size)

    def _rva_cstr(self, rva):
        for _, srva, vsize, rawptr, rawsize, _ in self.sections:
            if srva <= rva < srva + rawsize:
                return _cstr(self.data, rawptr + rva - srva)
        raise ImageError(f"name at {rva:#x} is in no section")

    def _directory(self, index):
        pe = struct.unpack_from("<I", self.data, 0x3C)[0]
        return struct.unpack_from("<II", self.data, pe + 24 + 96 + 8 * index)

    def imported_dlls(self):
        rva, size = self._directory(1)
        names = []
        while size:
            entry = self._rva_bytes(rva, 20)
            name_rva = struct.unpack_from("<I", entry, 12)[0]
            if name_rva == 0:
                break
            names.append(self._rva_cstr(name_rva))
            rva += 20
        return names

    def exported_names(self):
        rva, size = self._directory(0)
        if not size:
            return []
        header = self._rva_bytes(rva, 40)
        count, names_rva = struct.unpack_from("<I", header, 24)[0], struct.unpack_from("<I", header, 32)[0]
        table = self._rva_bytes(names_rva, 4 * count)
        return [self._rva_cstr(struct.unpack_from("<I", table, 4 * i)[0]) for i in range(count)]

    def symbols(self):
        """(name, va, is_function, section index) of every symbol."""
        if not self.symtab:
            raise ImageError("the image has no symbol table (a stripped copy)")
        out = []
        i = 0
        while i < self.nsyms:
            e = self.symtab + 18 * i
            raw = self.data[e:e + 8]
            if raw[:4] == b"\0\0\0\0":
                name = _cstr(self.data, self._strtab + struct.unpack_from("<I", raw, 4)[0])
            else:
                name = raw.rstrip(b"\0").decode("latin-1")
            value, secnum, typ, sclass, naux = struct.unpack_from("<IhHBB", self.data, e + 8)
            if secnum > 0 and sclass in (2, 3, 6):  # external, static, label
                srva = self.sections[secnum - 1][1]
                out.append((name, self.image_base + srva + value,
                            (typ >> 4) == 2, secnum - 1))
            i += 1 + naux
        return out


def _leb(b, o, signed):
    r = s = 0
    while True:
        x = b[o]
        o += 1
        r |= (x & 0x7F) << s
        s += 7
        if x < 0x80:
            if signed and x & 0x40:
                r -= 1 << s
            return r, o


def _uleb(b, o):
    return _leb(b, o, False)


def _sleb(b, o):
    return _leb(b, o, True)


def _pointer(b, o, enc, here):
    """Value and new offset of a DWARF EH pointer at b[o] (here: its address)."""
    if enc == 0xFF:
        return None, o
    fmt = enc & 0x0F
    if fmt in (0x00, 0x03, 0x0B):  # absptr, udata4, sdata4
        v = struct.unpack_from("<i" if fmt == 0x0B else "<I", b, o)[0]
        o += 4
    elif fmt in (0x02, 0x0A):
        v = struct.unpack_from("<h" if fmt == 0x0A else "<H", b, o)[0]
        o += 2
    elif fmt == 0x01:
        v, o = _uleb(b, o)
    elif fmt == 0x09:
        v, o = _sleb(b, o)
    else:
        raise ImageError(f"pointer encoding {enc:#x} not understood")
    app = enc & 0x70
    if app == 0x10:
        v += here
    elif app != 0:
        raise ImageError(f"pointer application {enc:#x} not understood")
    return v & 0xFFFFFFFF, o


def unwind_entries(image, begin_va):
    """Address ranges [start, end) of the FDEs the runtime finds from begin_va,
    and the number of bytes of the table that lie past its terminator."""
    name, rva, vsize, rawptr, rawsize, _ = image.section(".eh_frame")
    sec_va = image.image_base + rva
    size = min(vsize, rawsize)
    data = image.data[rawptr:rawptr + size]
    o = begin_va - sec_va
    if not 0 <= o < size:
        raise ImageError("___EH_FRAME_BEGIN__ is not in the exception table")
    cies = {}
    ranges = []
    while True:
        if o + 4 > size:
            raise ImageError("the exception table has no terminator")
        length = struct.unpack_from("<I", data, o)[0]
        if length == 0:
            o += 4
            break
        if length == 0xFFFFFFFF:
            raise ImageError("64-bit unwind entries are not expected")
        body = o + 4
        end = body + length
        cie_ptr = struct.unpack_from("<I", data, body)[0]
        if cie_ptr == 0:
            cies[o] = _read_cie(data, body + 4, end)
        else:
            cie_off = body - cie_ptr
            if cie_off not in cies:
                cies[cie_off] = _read_cie_at(data, cie_off)
            enc = cies[cie_off]
            p = body + 4
            start, p = _pointer(data, p, enc, sec_va + p)
            span, p = _pointer(data, p, enc & 0x0F, 0)
            ranges.append((start, start + span))
        o = end
    # Whatever follows the terminator is never seen by the runtime.
    trailing = data[o:size].rstrip(b"\0")
    return ranges, len(trailing)


def _read_cie_at(data, off):
    length = struct.unpack_from("<I", data, off)[0]
    return _read_cie(data, off + 8, off + 4 + length)


def _read_cie(data, p, end):
    """The FDE pointer encoding a CIE announces (absptr when none)."""
    p += 1  # version
    aug_end = data.index(b"\0", p)
    aug = data[p:aug_end].decode("latin-1")
    p = aug_end + 1
    _, p = _uleb(data, p)  # code alignment
    _, p = _sleb(data, p)  # data alignment
    p += 1  # return address register (version 1)
    enc = 0x00
    if aug.startswith("z"):
        _, p = _uleb(data, p)
        for c in aug[1:]:
            if c == "P":
                penc = data[p]
                _, p = _pointer(data, p + 1, penc & 0x7F, 0)
            elif c == "L":
                p += 1
            elif c == "R":
                enc = data[p]
                p += 1
            elif c == "S":
                pass
            else:
                raise ImageError(f"CIE augmentation {aug!r} not understood")
    return enc


# The C runtime's start-up code: dllcrt2.o's entries lie before the table the
# runtime registers (it runs before the registration), and crtbegin.o's
# constructor is the one that registers it. Nothing of ours is on the stack
# below them when an exception is thrown.
START_UP = {"_DllMainCRTStartup@12", "___DllMainCRTStartup", "__CRT_INIT@12", "_pre_c_init",
            "_atexit", "_register_frame_ctor"}


def is_import_thunk(image, va, idata):
    """jmp dword ptr [address in the import table]: a stub, no frame."""
    code = image.read_va(va, 6)
    if code[:2] != b"\xff\x25":
        return False
    target = struct.unpack_from("<I", code, 2)[0] - image.image_base
    return any(s[1] <= target < s[1] + s[2] for s in idata)


def functions_without_entry(path):
    image = Image(path)
    symbols = image.symbols()
    begin = [va for name, va, _, _ in symbols if name == "___EH_FRAME_BEGIN__"]
    if len(begin) != 1:
        raise ImageError(f"{path}: no ___EH_FRAME_BEGIN__ symbol")
    ranges, _ = unwind_entries(image, begin[0])
    ranges.sort()
    starts = [r[0] for r in ranges]
    code = {i for i, s in enumerate(image.sections) if s[5] & 0x20}
    idata = [s for s in image.sections if s[0] == ".idata"]
    functions = sorted({(va, name) for name, va, is_function, sec in symbols if is_function and sec in code})
    missing = []
    for va, name in functions:
        i = bisect.bisect_right(starts, va) - 1
        if i >= 0 and ranges[i][0] <= va < ranges[i][1]:
            continue
        if name in START_UP or is_import_thunk(image, va, idata):
            continue
        missing.append(name)
    return len(functions), len(ranges), missing


def describe(missing, limit=20):
    shown = "\n    ".join(missing[:limit])
    more = f"\n    ... and {len(missing) - limit} more" if len(missing) > limit else ""
    return f"{len(missing)} kept functions lack their unwind entry:\n    {shown}{more}"
