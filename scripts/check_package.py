#!/usr/bin/env python3
"""Checks a release zip that scripts/package wrote:

    python3 scripts/check_package.py Tarnwick-<version>.zip [--not-naming DIR]...

- its entries are Tarnwick.exe, Tarnwick64.exe, README.txt and SHA256SUMS,
  in that order;
- SHA256SUMS gives the two exes' SHA-256 sums, one line each, as sha256sum
  writes them;
- Tarnwick.exe is a 32-bit x86 image and Tarnwick64.exe an x86-64 one; in
  each, every time stamp the image has room for (file header, import,
  export, resource and debug directories, load configuration) is 0, the
  version resource gives the zip's version, and none of the folders named
  with --not-naming (the source and build folders) appears, as bytes or as
  UTF-16;
- README.txt is ASCII text with Windows line ends and no @PLACEHOLDER@ left.

Exit status 0 when all of it holds.
"""

import hashlib
import os
import re
import struct
import sys
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "res"))
from check_res import RT_VERSION, read_exe, read_version_node  # noqa: E402

ENTRIES = ["Tarnwick.exe", "Tarnwick64.exe", "README.txt", "SHA256SUMS"]
# Machine and optional-header magic of each exe, and where the data
# directories start in that optional header.
WIDTHS = {"Tarnwick.exe": (32, 0x14C, 0x10B, 96), "Tarnwick64.exe": (64, 0x8664, 0x20B, 112)}
DIR_EXPORT, DIR_IMPORT, DIR_RESOURCE, DIR_DEBUG, DIR_LOAD_CONFIG = 0, 1, 2, 6, 10

failures = []


def check(cond, what):
    if not cond:
        failures.append(what)
        print("FAIL " + what)
    return cond


class Image:
    """The headers of a PE image and its data directories."""

    def __init__(self, data, dir_offset):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        self.pe = pe
        self.machine = struct.unpack_from("<H", data, pe + 4)[0]
        self.sections, optional_size = struct.unpack_from("<H", data, pe + 6)[0], struct.unpack_from("<H", data, pe + 20)[0]
        self.optional = pe + 24
        self.magic = struct.unpack_from("<H", data, self.optional)[0]
        self.section_table = self.optional + optional_size
        self.dir_offset = dir_offset

    def directory(self, n):
        return struct.unpack_from("<II", self.data, self.optional + self.dir_offset + 8 * n)

    def offset(self, rva):
        for n in range(self.sections):
            size, address, raw_size, raw = struct.unpack_from("<IIII", self.data, self.section_table + 40 * n + 8)
            if address <= rva < address + max(size, raw_size):
                return raw + rva - address
        raise ValueError("address 0x%x is in no section" % rva)

    def u32(self, pos):
        return struct.unpack_from("<I", self.data, pos)[0]


def time_stamps(image):
    """(where, value) of every time stamp field of the image."""
    out = [("file header", image.u32(image.pe + 8))]
    for n, name in ((DIR_EXPORT, "export directory"), (DIR_LOAD_CONFIG, "load configuration")):
        rva, size = image.directory(n)
        if rva and size:
            out.append((name, image.u32(image.offset(rva) + 4)))
    rva, size = image.directory(DIR_IMPORT)
    if rva and size:
        pos = image.offset(rva)
        while image.data[pos:pos + 20] != bytes(20):
            out.append(("import descriptor", image.u32(pos + 4)))
            pos += 20
    rva, size = image.directory(DIR_DEBUG)
    for n in range(size // 28 if rva else 0):
        out.append(("debug directory", image.u32(image.offset(rva) + 28 * n + 4)))
    rva, size = image.directory(DIR_RESOURCE)
    if rva and size:
        root = image.offset(rva)
        pending = [0]
        while pending:
            table = root + pending.pop()
            out.append(("resource directory", image.u32(table + 4)))
            named, numbered = struct.unpack_from("<HH", image.data, table + 12)
            for n in range(named + numbered):
                target = image.u32(table + 16 + 8 * n + 4)
                if target & 0x80000000:
                    pending.append(target & 0x7FFFFFFF)
    return out


def version_of(data, bits):
    """(file version, product version, FileVersion, ProductVersion) of the
    exe's version resource, the first two as four-part strings."""
    found = [body for rtype, _, _, body in read_exe(data, bits) if rtype == RT_VERSION]
    if not check(len(found) == 1, "one version resource"):
        return None
    (_, fixed, children), _ = read_version_node(found[0], 0)
    f = struct.unpack("<13I", fixed)

    def four(ms, ls):
        return "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)

    strings = {}
    for key, _, sub in children:
        if key == "StringFileInfo":
            for _, _, values in sub:
                strings.update({k: v for k, v, _ in values})
    return four(f[2], f[3]), four(f[4], f[5]), strings.get("FileVersion"), strings.get("ProductVersion")


def check_exe(name, data, version, folders):
    bits, machine, magic, dir_offset = WIDTHS[name]
    if not check(data[:2] == b"MZ", "%s is a PE image" % name):
        return
    image = Image(data, dir_offset)
    if not check((image.machine, image.magic) == (machine, magic),
                 "%s is a %d-bit image (machine 0x%x, magic 0x%x)" % (name, bits, image.machine, image.magic)):
        return
    for where, value in time_stamps(image):
        check(value == 0, "%s: time stamp of the %s is 0x%08x, not 0" % (name, where, value))
    four = ".".join((version.split(".") + ["0"] * 4)[:4])
    got = version_of(data, bits)
    check(got == (four, four, version, version),
          "%s: version resource %r says the zip's version %s" % (name, got, version))
    for folder in folders:
        for form in (folder.encode(), folder.encode("utf-16-le")):
            check(form not in data, "%s names the folder %s" % (name, folder))


def check_sums(text, exes):
    lines = text.split("\n")
    check(lines[-1] == "", "SHA256SUMS ends with a line end")
    want = ["%s  %s" % (hashlib.sha256(exes[n]).hexdigest(), n) for n in ENTRIES[:2]]
    check(lines[:-1] == want, "SHA256SUMS %r is the exes' sums %r" % (lines[:-1], want))


def check_readme(raw):
    check(all(b < 0x80 for b in raw), "README.txt is ASCII")
    text = raw.decode("ascii", "replace")
    check(text.endswith("\r\n") and "\n" not in text.replace("\r\n", ""), "README.txt has Windows line ends only")
    left = re.findall(r"@[A-Z_]+@", text)
    check(not left, "README.txt has no placeholder left (%s)" % ", ".join(left))


def main(argv):
    args, folders = [], []
    rest = argv[1:]
    while rest:
        if rest[0] == "--not-naming" and len(rest) > 1:
            folders.append(rest[1])
            rest = rest[2:]
        else:
            args.append(rest.pop(0))
    name = re.fullmatch(r"Tarnwick-([0-9]+(?:\.[0-9]+)*)\.zip", os.path.basename(args[0])) if len(args) == 1 else None
    if not name:
        print(__doc__)
        return 2
    version = name.group(1)
    with zipfile.ZipFile(args[0]) as z:
        names = z.namelist()
        check(names == ENTRIES, "entries %r are %r" % (names, ENTRIES))
        content = {n: z.read(n) for n in ENTRIES if n in names}
    for exe in ENTRIES[:2]:
        if exe in content:
            check_exe(exe, content[exe], version, folders)
    if all(n in content for n in ENTRIES):
        check_sums(content["SHA256SUMS"].decode("ascii", "replace"), content)
        check_readme(content["README.txt"])
    print("%d check(s) of the package failed" % len(failures) if failures else
          "package %s as intended" % os.path.basename(args[0]))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
