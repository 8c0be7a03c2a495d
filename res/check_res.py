#!/usr/bin/env python3
"""Checks the resources of Tarnwick against the intended ones.

    python3 res/check_res.py build/win32/Tarnwick.exe     (add -v to print everything)
    python3 res/check_res.py build/win64/Tarnwick64.exe

or a compiled resource file (--64 for one compiled for x86-64):

    i686-w64-mingw32-windres -I. -Ires res/Tarnwick.rc -O res -o /tmp/tw.res
    python3 res/check_res.py /tmp/tw.res
    x86_64-w64-mingw32-windres -I. -Ires res/Tarnwick.rc -O res -o /tmp/tw64.res
    python3 res/check_res.py --64 /tmp/tw64.res

An exe is held to the texts of its own width, told by its PE header: the
32-bit program's captions, version names and manifest, or the 64-bit
program's. The window tests run it on the exes they build, so a change to a
template, the manifest or the version information fails them.

Resource compilers add styles of their own (WS_CHILD, WS_VISIBLE, DS_SETFONT,
WS_CAPTION, border or tab-stop defaults of some statements), so this decodes
the binary templates and compares every field of every dialog item: style,
extended style, position, size, identifier, class and text. It also checks
the icon and bitmap formats, the string table, the manifest and the version
resource. Exit status 0 when everything matches.
"""

import re
import struct
import sys

RT_BITMAP, RT_ICON, RT_DIALOG, RT_STRING, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 2, 3, 5, 6, 14, 16, 24

WEB = "www.example.org/tarnwick"
MAIL = "tarnwick@example.org"
NAME = "The Tarnwick developers"
LEGAL = "Copyright (C) 2026 The Tarnwick developers"

# Window, static, button, list and combo style bits used below.
WS_POPUP, WS_CHILD, WS_VISIBLE = 0x80000000, 0x40000000, 0x10000000
WS_CAPTION, WS_BORDER, WS_VSCROLL = 0x00C00000, 0x00800000, 0x00200000
WS_SYSMENU, WS_THICKFRAME, WS_GROUP, WS_TABSTOP = 0x00080000, 0x00040000, 0x00020000, 0x00010000
WS_MINIMIZEBOX = 0x00020000
DS_MODALFRAME, DS_SETFONT, DS_FIXEDSYS = 0x80, 0x40, 0x08
WS_EX_APPWINDOW, WS_EX_RIGHT = 0x00040000, 0x00001000
SS_LEFT, SS_BITMAP, SS_ETCHEDHORZ, SS_NOPREFIX = 0x0, 0xE, 0x10, 0x80
BS_PUSHBUTTON, BS_DEFPUSHBUTTON, BS_AUTORADIOBUTTON, BS_OWNERDRAW = 0x0, 0x1, 0x9, 0xB
ES_AUTOHSCROLL = 0x80
CBS_DROPDOWNLIST, CBS_SORT = 0x3, 0x100
LVS_REPORT, LVS_SINGLESEL, LVS_SHOWSELALWAYS, LVS_ALIGNLEFT, LVS_OWNERDATA = 0x1, 0x4, 0x8, 0x800, 0x1000
LVS_NOCOLUMNHEADER = 0x4000

CV = WS_CHILD | WS_VISIBLE
TEXT = CV | SS_LEFT | WS_GROUP
LINE = CV | SS_ETCHEDHORZ
# Owner data: the program keeps the rows and the tables ask for their texts.
LIST = CV | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_ALIGNLEFT | LVS_OWNERDATA | WS_BORDER | WS_TABSTOP
OWNERDRAW = CV | BS_OWNERDRAW | WS_TABSTOP
BUTTON, EDIT, STATIC, LISTBOX, COMBOBOX = 0x80, 0x81, 0x82, 0x83, 0x85

FOOTER = ("For latest version visit " + WEB + ". Send any suggestions/queries to "
          + MAIL + ".")

# (style, exStyle, x, y, cx, cy, id, class, text)
MAIN_ITEMS = [
    (OWNERDRAW, WS_EX_RIGHT, 303, 60, 54, 14, 1, BUTTON, "&Refresh"),
    (TEXT, 0, 38, 62, 56, 9, -1, STATIC, "Process Name :"),
    (CV | CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL | WS_TABSTOP, 0, 95, 61, 183, 13, 1000, COMBOBOX, ""),
    (LIST, 0, 7, 109, 377, 105, 1001, "SysListView32", ""),
    (LIST, 0, 7, 239, 377, 108, 1002, "SysListView32", ""),
    (LINE, 0, 7, 363, 377, 1, -1, STATIC, ""),
    (TEXT, 0, 7, 365, 377, 14, -1, STATIC, FOOTER),
    (LINE, 0, 7, 103, 377, 1, -1, STATIC, ""),
    (TEXT, 0, 7, 91, 143, 9, 1005, STATIC, "Heap Nodes of the selected Process"),
    (LINE, 0, 7, 235, 377, 1, -1, STATIC, ""),
    (TEXT, 0, 7, 224, 358, 9, 1006, STATIC, "Heap Blocks within the selected Node"),
    (TEXT, 0, 137, 13, 157, 14, 1003, STATIC, "Tarnwick"),
    (TEXT, 0, 191, 29, 187, 11, 1004, STATIC, "Efficient way to enumerate heaps of process..."),
    (LINE, 0, 7, 46, 377, 1, -1, STATIC, ""),
    (LINE, 0, 7, 8, 377, 98, -1, STATIC, ""),
    (WS_CHILD | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_NOCOLUMNHEADER | LVS_SINGLESEL
     | LVS_SHOWSELALWAYS, 0, 7, 119, 377, 107, 1009, "SysListView32", ""),
    (TEXT, 0, 156, 89, 143, 9, 1007, STATIC, "Heap data of the selected block"),
    (OWNERDRAW, 0, 369, 90, 14, 12, 1010, BUTTON, ""),
    (OWNERDRAW, 0, 352, 90, 14, 12, 1011, BUTTON, ""),
]

# What Tarnwick.exe (32-bit x86) and Tarnwick64.exe (x86-64) differ in.
WIDTHS = {
    32: dict(caption="Tarnwick 1.0 - " + WEB, version_line="Tarnwick Version 1.0",
             exe="Tarnwick.exe", architecture="*"),
    64: dict(caption="Tarnwick 1.0 (64-bit) - " + WEB, version_line="Tarnwick Version 1.0 (64-bit)",
             exe="Tarnwick64.exe", architecture="amd64"),
}


def about_items(width):
    return [
        (CV | SS_BITMAP, 0, 9, 7, 55, 56, 1020, STATIC, 129),
        (TEXT | SS_NOPREFIX, 0, 74, 7, 119, 8, -1, STATIC, width["version_line"]),
        (TEXT, 0, 74, 51, 153, 8, -1, STATIC, LEGAL),
        (CV | BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 0, 231, 49, 43, 14, 1, BUTTON, "OK"),
        (TEXT | SS_NOPREFIX, 0, 74, 17, 180, 8, -1, STATIC, NAME + " <" + MAIL + ">"),
        (TEXT | SS_NOPREFIX, 0, 74, 27, 119, 8, -1, STATIC, WEB),
        (LINE, 0, 74, 46, 200, 1, -1, STATIC, ""),
    ]


FIND_ITEMS = [
    (CV | BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 0, 7, 7, 160, 10, 1012, BUTTON, "Address inside a block"),
    (CV | BS_AUTORADIOBUTTON, 0, 7, 19, 160, 10, 1013, BUTTON, "Bytes (hexadecimal)"),
    (CV | BS_AUTORADIOBUTTON, 0, 7, 31, 160, 10, 1014, BUTTON, "Text"),
    (CV | WS_BORDER | ES_AUTOHSCROLL | WS_GROUP | WS_TABSTOP, 0, 7, 47, 166, 14, 1015, EDIT, ""),
    (CV | BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 0, 179, 7, 50, 14, 1, BUTTON, "Find Next"),
    (CV | BS_PUSHBUTTON | WS_TABSTOP, 0, 179, 24, 50, 14, 2, BUTTON, "Cancel"),
]


TABLE_VIEW_ITEMS = [
    (TEXT | SS_NOPREFIX, 0, 7, 7, 326, 18, 1016, STATIC, ""),
    (LIST, 0, 7, 28, 326, 151, 1017, "SysListView32", ""),
    (CV | BS_PUSHBUTTON | WS_TABSTOP, 0, 283, 184, 50, 14, 2, BUTTON, "Close"),
]


CHANGES_ITEMS = [
    (TEXT | SS_NOPREFIX, 0, 7, 7, 326, 18, 1016, STATIC, ""),
    (CV | BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 0, 7, 27, 60, 10, 1018, BUTTON, "By &size"),
    (CV | BS_AUTORADIOBUTTON, 0, 72, 27, 60, 10, 1019, BUTTON, "By t&ype"),
    (LIST | WS_GROUP, 0, 7, 40, 326, 139, 1017, "SysListView32", ""),
    (CV | BS_PUSHBUTTON | WS_TABSTOP, 0, 283, 184, 50, 14, 2, BUTTON, "Close"),
]


def dialogs(width):
    return {
        102: dict(style=WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME
                  | WS_MINIMIZEBOX | DS_SETFONT | DS_FIXEDSYS,
                  ex=WS_EX_APPWINDOW, rect=(0, 0, 394, 384), title=width["caption"],
                  items=MAIN_ITEMS),
        100: dict(style=WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS,
                  ex=0, rect=(0, 0, 281, 70), title="About Tarnwick", items=about_items(width)),
        103: dict(style=WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS,
                  ex=0, rect=(0, 0, 236, 70), title="Find Block", items=FIND_ITEMS),
        104: dict(style=WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS,
                  ex=0, rect=(0, 0, 340, 205), title="Block Sizes", items=TABLE_VIEW_ITEMS),
        105: dict(style=WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS,
                  ex=0, rect=(0, 0, 340, 205), title="Changes Since Mark", items=CHANGES_ITEMS),
        106: dict(style=WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS,
                  ex=0, rect=(0, 0, 340, 205), title="Block Types", items=TABLE_VIEW_ITEMS),
    }


# group icon id: (width, height, bits per pixel)
ICONS = {128: (32, 32, 32), 130: (23, 23, 24), 131: (16, 16, 8), 132: (16, 16, 24)}


def version_strings(width):
    return {
        "CompanyName": WEB, "FileDescription": "Tarnwick", "FileVersion": "1.0.0.1",
        "InternalName": width["exe"], "LegalCopyright": LEGAL,
        "OriginalFilename": width["exe"], "ProductName": "Tarnwick", "ProductVersion": "1.0.0.1",
    }


failures = []
verbose = False


def check(cond, what):
    if not cond:
        failures.append(what)
    if verbose or not cond:
        print(("ok   " if cond else "FAIL ") + what)


class Reader:
    def __init__(self, data, pos=0):
        self.d, self.p = data, pos

    def u8(self):
        self.p += 1
        return self.d[self.p - 1]

    def u16(self):
        self.p += 2
        return struct.unpack_from("<H", self.d, self.p - 2)[0]

    def i16(self):
        self.p += 2
        return struct.unpack_from("<h", self.d, self.p - 2)[0]

    def u32(self):
        self.p += 4
        return struct.unpack_from("<I", self.d, self.p - 4)[0]

    def i32(self):
        self.p += 4
        return struct.unpack_from("<i", self.d, self.p - 4)[0]

    def wstr(self):
        out = []
        while True:
            c = self.u16()
            if c == 0:
                return "".join(out)
            out.append(chr(c))

    def sz_or_ord(self):
        first = struct.unpack_from("<H", self.d, self.p)[0]
        if first == 0xFFFF:
            self.p += 2
            return self.u16()
        return self.wstr()

    def align(self, n=4):
        self.p = (self.p + n - 1) & ~(n - 1)


def read_res(data):
    """(type, name, language, bytes) for every resource in a .res file."""
    out = []
    r = Reader(data)
    while r.p < len(data):
        start = r.p
        size, header = r.u32(), r.u32()
        rtype, name = r.sz_or_ord(), r.sz_or_ord()
        r.align()
        r.u32()
        r.u16()
        lang = r.u16()
        r.p = start + header
        body = data[r.p:r.p + size]
        r.p += size
        r.align()
        if size or rtype != 0:
            out.append((rtype, name, lang, body))
    return out


# PE machine and optional-header magic of each width, and where the data
# directories start in that optional header (PE32+ has no BaseOfData but an
# 8-byte image base and 8-byte stack and heap sizes).
PE_FORMATS = {32: (0x14C, 0x10B, 96), 64: (0x8664, 0x20B, 112)}


def pe_width(data):
    """32 or 64: the width of a PE image, from its machine and optional
    header magic (None when they are of no known pair)."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    check(data[pe:pe + 4] == b"PE\0\0", "a PE image")
    machine, magic = struct.unpack_from("<H", data, pe + 4)[0], struct.unpack_from("<H", data, pe + 24)[0]
    for bits, (m, g, _) in PE_FORMATS.items():
        if (machine, magic) == (m, g):
            return bits
    check(False, "PE machine 0x%x with optional header magic 0x%x is x86 or x86-64" % (machine, magic))
    return None


def read_exe(data, bits):
    """(type, name, language, bytes) for every resource of a PE image: the
    three levels of its resource directory (type, name, language)."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    sections, optional_size = struct.unpack_from("<H", data, pe + 6)[0], struct.unpack_from("<H", data, pe + 20)[0]
    optional = pe + 24
    # The resource directory is data directory 2.
    rsrc_rva = struct.unpack_from("<I", data, optional + PE_FORMATS[bits][2] + 2 * 8)[0]

    def offset(rva):
        for n in range(sections):
            size, address, raw_size, raw = struct.unpack_from("<IIII", data, optional + optional_size + 40 * n + 8)
            if address <= rva < address + max(size, raw_size):
                return raw + rva - address
        raise ValueError("address 0x%x is in no section" % rva)

    root = offset(rsrc_rva)

    def entries(directory):
        named, numbered = struct.unpack_from("<HH", data, root + directory + 12)
        for n in range(named + numbered):
            name, target = struct.unpack_from("<II", data, root + directory + 16 + 8 * n)
            if name & 0x80000000:
                length = struct.unpack_from("<H", data, root + (name & 0x7FFFFFFF))[0]
                start = root + (name & 0x7FFFFFFF) + 2
                name = data[start:start + 2 * length].decode("utf-16-le").upper()
            yield name, target & 0x7FFFFFFF

    out = []
    for rtype, names in entries(0):
        for name, langs in entries(names):
            for lang, leaf in entries(langs):
                rva, size = struct.unpack_from("<II", data, root + leaf)
                out.append((rtype, name, lang, data[offset(rva):offset(rva) + size]))
    return out


def decode_dialog(body):
    r = Reader(body)
    ver, sig = r.u16(), r.u16()
    assert (ver, sig) == (1, 0xFFFF), "not a DIALOGEX template"
    r.u32()
    dlg = dict(ex=r.u32(), style=r.u32())
    count = r.u16()
    dlg["rect"] = (r.i16(), r.i16(), r.i16(), r.i16())
    dlg["menu"], dlg["class"], dlg["title"] = r.sz_or_ord(), r.sz_or_ord(), r.wstr()
    if dlg["style"] & DS_SETFONT:
        dlg["font"] = (r.u16(), r.u16(), r.u8(), r.u8(), r.wstr())
    items = []
    for _ in range(count):
        r.align()
        r.u32()
        ex, style = r.u32(), r.u32()
        x, y, cx, cy = r.i16(), r.i16(), r.i16(), r.i16()
        cid = r.i32()
        cls = r.sz_or_ord()
        text = r.sz_or_ord()
        extra = r.u16()
        r.p += extra
        items.append((style, ex, x, y, cx, cy, cid, cls, text))
    dlg["items"] = items
    return dlg


def fmt_item(it):
    style, ex, x, y, cx, cy, cid, cls, text = it
    return "style 0x%08x ex 0x%x at %d,%d size %dx%d id %d class %r text %r" % (
        style, ex, x, y, cx, cy, cid, cls, text)


def same_class(a, b):
    # windres stores a class given by name in upper case; window classes
    # are matched without regard to case.
    if isinstance(a, str) and isinstance(b, str):
        return a.upper() == b.upper()
    return a == b


def check_dialog(did, body, want):
    dlg = decode_dialog(body)
    check(dlg["style"] == want["style"], "dialog %d style 0x%08x (want 0x%08x)" % (did, dlg["style"], want["style"]))
    check(dlg["ex"] == want["ex"], "dialog %d exStyle 0x%x (want 0x%x)" % (did, dlg["ex"], want["ex"]))
    check(dlg["rect"] == want["rect"], "dialog %d rectangle %r" % (did, dlg["rect"]))
    check(dlg["menu"] == "" and dlg["class"] == "", "dialog %d has no menu and no class" % did)
    check(dlg["title"] == want["title"], "dialog %d caption %r" % (did, dlg["title"]))
    check(dlg.get("font") == (8, 0, 0, 1, "MS Shell Dlg"),
          "dialog %d font %r (want 8 pt, weight 0, not italic, charset 1, MS Shell Dlg)" % (did, dlg.get("font")))
    check(len(dlg["items"]) == len(want["items"]),
          "dialog %d has %d items (want %d)" % (did, len(dlg["items"]), len(want["items"])))
    for n, (got, exp) in enumerate(zip(dlg["items"], want["items"]), 1):
        ok = got[:7] == exp[:7] and same_class(got[7], exp[7]) and got[8] == exp[8]
        msg = "dialog %d item %d: %s" % (did, n, fmt_item(got))
        if not ok:
            msg += "\n       want: " + fmt_item(exp)
        check(ok, msg)


def check_icons(res):
    icons = {name: body for t, name, _, body in res if t == RT_ICON}
    groups = {name: body for t, name, _, body in res if t == RT_GROUP_ICON}
    check(sorted(groups) == sorted(ICONS), "group icons %r" % sorted(groups))
    for gid, (w, h, bpp) in sorted(ICONS.items()):
        if gid not in groups:
            continue
        g = groups[gid]
        _, gtype, count = struct.unpack_from("<HHH", g, 0)
        check(gtype == 1 and count == 1, "icon %d: one image (found %d)" % (gid, count))
        bw, bh, colours, _, planes, bits, size, iid = struct.unpack_from("<BBBBHHIH", g, 6)
        check((bw, bh, bits, planes) == (w, h, bpp, 1),
              "icon %d directory: %dx%d, %d bpp, %d plane(s)" % (gid, bw, bh, bits, planes))
        img = icons.get(iid)
        if img is None:
            check(False, "icon %d: image %d present" % (gid, iid))
            continue
        hsize, iw, ih, ip, ibpp, comp = struct.unpack_from("<IiiHHI", img, 0)
        check((hsize, iw, ih, ip, ibpp, comp) == (40, w, 2 * h, 1, bpp, 0),
              "icon %d image header: %dx%d (height doubled for the mask), %d bpp, uncompressed" % (gid, iw, ih // 2, ibpp))
        palette = 256 * 4 if bpp == 8 else 0
        xor_stride = ((w * bpp + 31) // 32) * 4
        and_stride = ((w + 31) // 32) * 4
        expect = hsize + palette + xor_stride * h + and_stride * h
        check(len(img) == expect and size == expect,
              "icon %d image is %d bytes (want %d: header, palette, colour bits, mask)" % (gid, len(img), expect))
        mask = img[expect - and_stride * h:]
        transparent = sum(bin(mask[y * and_stride + (x >> 3)] & (0x80 >> (x & 7))).count("1")
                          for y in range(h) for x in range(w))
        check(0 < transparent < w * h,
              "icon %d mask: %d of %d pixels transparent" % (gid, transparent, w * h))
        # corners are background in every design
        corner = mask[0] & 0x80 and mask[(h - 1) * and_stride] & 0x80
        check(bool(corner), "icon %d mask: corners transparent" % gid)


def check_bitmap(res):
    bmps = {name: body for t, name, _, body in res if t == RT_BITMAP}
    check(list(bmps) == [129], "bitmaps %r" % list(bmps))
    b = bmps.get(129)
    if b is None:
        return
    hsize, w, h, planes, bpp, comp, _, _, _, used, _ = struct.unpack_from("<IiiHHIIiiII", b, 0)
    check((hsize, w, h, planes, bpp, comp) == (40, 82, 88, 1, 8, 0),
          "bitmap 129: %dx%d, %d bpp, uncompressed" % (w, h, bpp))
    check(used in (0, 256), "bitmap 129: 256-entry palette (biClrUsed %d)" % used)
    check(len(b) == 40 + 1024 + ((w + 3) & ~3) * h, "bitmap 129 size %d" % len(b))


def check_strings(res):
    tables = [(name, body) for t, name, _, body in res if t == RT_STRING]
    # string 101 lives in block 101 // 16 + 1 = 7, slot 101 % 16 = 5
    found = None
    for name, body in tables:
        if name == 101 // 16 + 1:
            r = Reader(body)
            for slot in range(16):
                n = r.u16()
                s = body[r.p:r.p + 2 * n].decode("utf-16-le")
                r.p += 2 * n
                if slot == 101 % 16:
                    found = s
    check(found == "&About Tarnwick...", "string 101 %r" % found)


# Windows 7, 8, 8.1, and 10 and 11 (which share one entry).
SUPPORTED_OS = sorted(["{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
                       "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"])


def check_manifest(res, width):
    m = [(name, lang, body) for t, name, lang, body in res if t == RT_MANIFEST]
    check(len(m) == 1 and m[0][0] == 1 and m[0][1] == 0x409, "manifest: id 1, language 0x409")
    if not m:
        return
    text = m[0][2].decode("utf-8")
    for needle in ('type="win32"', 'name="Tarnwick.exe"', 'version="1.0.0.0"',
                   'name="Microsoft.Windows.Common-Controls"', 'version="6.0.0.0"',
                   'publicKeyToken="6595b64144ccf1df"', 'language="*"',
                   'level="requireAdministrator"', 'uiAccess="false"'):
        check(needle in text, "manifest holds " + needle)
    # Per-monitor awareness v2 where the system knows it, per-monitor (v1)
    # before; and Windows 7 to 11 named as supported.
    settings = {k: v.strip() for k, v in re.findall(r"<(dpiAware(?:ness)?)\b[^>]*>([^<]*)<", text)}
    check(settings == {"dpiAware": "true/pm", "dpiAwareness": "PerMonitorV2"},
          "manifest DPI awareness %r" % settings)
    systems = re.findall(r'<supportedOS\s+Id="([^"]*)"', text)
    check(sorted(s.lower() for s in systems) == sorted(SUPPORTED_OS), "manifest supportedOS %r" % systems)
    # The program's own identity and its common-controls dependency.
    architectures = re.findall(r'processorArchitecture="([^"]*)"', text)
    check(architectures == [width["architecture"]] * 2,
          "manifest processorArchitecture %r (want %r twice)" % (architectures, width["architecture"]))


def read_version_node(b, pos):
    r = Reader(b, pos)
    length, vlen, vtype = r.u16(), r.u16(), r.u16()
    key = r.wstr()
    r.align()
    if vtype == 1:
        value = b[r.p:r.p + 2 * vlen].decode("utf-16-le").rstrip("\0")
        r.p += 2 * vlen
    else:
        value = b[r.p:r.p + vlen]
        r.p += vlen
    r.align()
    children = []
    end = pos + length
    while r.p < end:
        child, nxt = read_version_node(b, r.p)
        children.append(child)
        r.p = nxt
        r.align()
    return (key, value, children), (pos + length + 3) & ~3


def check_version(res, width):
    v = [(name, lang, body) for t, name, lang, body in res if t == RT_VERSION]
    check(len(v) == 1 and v[0][0] == 1 and v[0][1] == 0x409, "version resource: id 1, language 0x409")
    if not v:
        return
    (key, fixed, children), _ = read_version_node(v[0][2], 0)
    check(key == "VS_VERSION_INFO", "version key %r" % key)
    f = struct.unpack("<13I", fixed)
    check(f[0] == 0xFEEF04BD, "fixed file info signature")
    check((f[2], f[3]) == (0x00010000, 0x00000001), "file version 1.0.0.1")
    check((f[4], f[5]) == (0x00010000, 0x00000001), "product version 1.0.0.1")
    check((f[6], f[7], f[8], f[9], f[10]) == (0x3F, 0, 4, 1, 0),
          "flags mask 0x3F, flags 0, VOS__WINDOWS32, VFT_APP, subtype 0: %r" % (f[6:11],))
    strings, translation = {}, None
    for ckey, _, sub in children:
        if ckey == "StringFileInfo":
            for tkey, _, values in sub:
                check(tkey == "040904e4", "string table %r" % tkey)
                for k, val, _ in values:
                    strings[k] = val
        elif ckey == "VarFileInfo":
            for k, val, _ in sub:
                if k == "Translation":
                    translation = struct.unpack("<HH", val)
    check(strings == version_strings(width), "version strings %r" % strings)
    check(translation == (0x409, 1252), "translation %r" % (translation,))


def main(argv):
    global verbose
    args = [a for a in argv[1:] if a not in ("-v", "--64")]
    verbose = "-v" in argv[1:]
    if len(args) != 1:
        print(__doc__)
        return 2
    data = open(args[0], "rb").read()
    bits = 64 if "--64" in argv[1:] else 32
    if data[:2] == b"MZ":
        image_bits = pe_width(data)
        if image_bits is None:
            print("%d check(s) failed" % len(failures))
            return 1
        if "--64" in argv[1:]:
            check(image_bits == 64, "a 64-bit image, as --64 says")
        bits = image_bits
        res = read_exe(data, bits)
    else:
        res = read_res(data)
    width = WIDTHS[bits]
    if verbose:
        print("resources of the %d-bit program" % bits)
    langs = {lang for _, _, lang, _ in res}
    check(langs == {0x409}, "every resource in U.S. English (%s)" % sorted(hex(x) for x in langs))
    found = {name: body for t, name, _, body in res if t == RT_DIALOG}
    check(sorted(found) == [100, 102, 103, 104, 105, 106], "dialogs %r" % sorted(found))
    wanted = dialogs(width)
    for did in sorted(found):
        if did in wanted:
            check_dialog(did, found[did], wanted[did])
    check_icons(res)
    check_bitmap(res)
    check_strings(res)
    check_manifest(res, width)
    check_version(res, width)
    print("%d check(s) failed" % len(failures) if failures else "all resources as intended")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
