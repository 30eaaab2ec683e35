#!/usr/bin/env python3
"""Where the bytes of tidewell.exe come from, read from the GNU ld map the link writes
next to the exe (app/tidewell.map).

    bench/size_profile.py build/win32/app/tidewell.map [TOP]

Prints the bytes each output section takes, then the bytes by origin: our own
subsystem folders, and each static library (libstdc++, libmingwex, winpthread,
libgcc, ...; import stubs of the system DLLs are one line). Debug sections are left
out (the release exe is stripped), so the sums are what the exe carries before file
alignment. TOP (default 25) limits the list of single library members.
"""
import collections
import re
import sys

# An input section line: " .text  0x0000000140001000  0x1a3 file" (the name may stand
# on a line of its own when it is long, with address, size and file on the next).
LINE = re.compile(r"^ (\S+)?\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$")
OUTPUT = re.compile(r"^(\.\S+|/\d+)\s+0x[0-9a-f]+\s+0x([0-9a-f]+)")
DROPPED = ("/", ".debug", ".comment", ".gnu", ".note")


def origin(path):
    """Our folder (common, app/win32, ...) for our objects, the library name for archives."""
    archive = re.match(r"(.*/)?(lib[^/(]+)\.a\((.+)\)$", path)
    if archive:
        lib, member = archive.group(2), archive.group(3)
        if lib in ("libstdc++", "libsupc++", "libmingwex", "libwinpthread", "libgcc", "libgcc_eh",
                   "libmingw32", "libmsvcrt", "libmoldname", "libpthread"):
            return lib, f"{lib}({member})"
        if lib.startswith("libtw_") or "/CMakeFiles/" in path:
            return "ours:" + lib[len("libtw_"):], f"{lib}({member})"
        return "import stubs (system DLLs)", f"{lib}({member})"
    if "/CMakeFiles/" in path:
        return "ours:" + path.split("/CMakeFiles/")[0], path.rsplit("/", 1)[-1]
    return "crt objects", path.rsplit("/", 1)[-1]


def main():
    path = sys.argv[1]
    top = int(sys.argv[2]) if len(sys.argv) > 2 else 25
    lines = open(path, encoding="utf-8", errors="replace").read().split("\n")
    start = next(i for i, l in enumerate(lines) if l.startswith("Linker script and memory map"))
    sections = collections.Counter()
    by_origin = collections.Counter()
    by_member = collections.Counter()
    by_origin_section = collections.defaultdict(collections.Counter)
    output = None
    pending_name = None
    for line in lines[start:]:
        m = OUTPUT.match(line)
        if m:
            output = m.group(1)
            if not output.startswith(DROPPED):
                sections[output] += int(m.group(2), 16)
            continue
        if output is None or output.startswith(DROPPED):
            continue
        if re.match(r"^ \S+$", line):  # a long input section name, its numbers follow
            pending_name = line.strip()
            continue
        m = LINE.match(line)
        if not m or m.group(4).startswith(("*", "0x")):
            pending_name = None
            continue
        size = int(m.group(3), 16)
        pending_name = None
        if size == 0:
            continue
        lib, member = origin(m.group(4).strip())
        by_origin[lib] += size
        by_member[member] += size
        by_origin_section[lib][output] += size

    print(f"output sections of {path} (bytes before file alignment)")
    for name, size in sorted(sections.items(), key=lambda kv: -kv[1]):
        print(f"  {name:<12} {size:>9,}")
    print(f"  {'total':<12} {sum(sections.values()):>9,}")
    print("by origin (bytes; the largest sections of each)")
    for lib, size in by_origin.most_common():
        parts = ", ".join(f"{s} {n:,}" for s, n in by_origin_section[lib].most_common(3))
        print(f"  {lib:<34} {size:>9,}   {parts}")
    print(f"largest library members (top {top})")
    for member, size in by_member.most_common(top):
        print(f"  {member:<60} {size:>9,}")


if __name__ == "__main__":
    main()
