#!/usr/bin/env python3
"""Size report of a Windows program file (PE32 or PE32+).

  size_report.py PROGRAM.exe [MAP]

Prints the bytes each section takes in the file, then, given the linker's map
file (-Wl,-Map), the bytes each part of the program contributes to the
sections that occupy the file, grouped by the object or library they come
from. The remainder of a section (alignment, file padding) is its own row.
"""
import re
import struct
import sys

# Parts of the program, first match wins: (name, pattern on the object path).
PARTS = [
    ("resources", r"pack/res\.o$|intro\.rc\.res$"),
    ("artwork data", r"texgen/.*artwork"),
    ("song data", r"synth/.*song_data"),
    ("program sources", r"scenes/.*(balls|waves|flight|can)_shader"),
    ("strings", r"scenes/.*(scene_names|greetings_names)"),
    ("synthesiser", r"synth/"),
    ("texture generator", r"texgen/"),
    ("scenes", r"scenes/"),
    ("frame", r"frame/"),
    ("platform layer", r"platform/"),
    ("packed program", r"pack/image\.o$"),
    ("unpacking code", r"pack/(stub|unpack|hole)\.o$"),
    ("imports", r"lib(opengl32|glu32|winmm|gdi32|user32|kernel32|msvcrt)\.a\(|"
                r"lib(winspool|shell32|ole32|oleaut32|uuid|comdlg32|advapi32)\.a\("),
    ("C++ runtime", r"lib(std|sup)c\+\+\.a|libgcc(_eh)?\.a|crtbegin|crtend"),
    ("start-up code", r"crt2\.o|dllcrt2|libmingw32\.a|libmingwex\.a|libmoldname\.a|"
                      r"libpthread\.a|libwinpthread\.a"),
]


def part_of(path):
    for name, pattern in PARTS:
        if re.search(pattern, path):
            return name
    return "other"


def read_sections(path):
    """[(name, virtual size, raw size, raw offset)] and the headers' size."""
    data = open(path, "rb").read()
    if data[:2] != b"MZ":
        sys.exit(f"size_report: {path} is not a Windows program")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        sys.exit(f"size_report: {path} has no PE header")
    count, = struct.unpack_from("<H", data, pe + 6)
    optional, = struct.unpack_from("<H", data, pe + 20)
    headers, = struct.unpack_from("<I", data, pe + 24 + 60)
    table = pe + 24 + optional
    sections = []
    for i in range(count):
        raw = data[table + 40 * i:table + 40 * i + 40]
        name = raw[:8].rstrip(b"\0").decode("latin-1")
        vsize, _, rsize, roff = struct.unpack_from("<IIII", raw, 8)
        sections.append((name, vsize, rsize, roff))
    return sections, headers, len(data)


def read_map(path):
    """{output section: {part: bytes}} from a GNU ld map file."""
    lines = open(path, encoding="latin-1").read().split("\n")
    try:
        start = lines.index("Linker script and memory map")
    except ValueError:
        sys.exit(f"size_report: {path} is not a linker map")
    out = {}
    current = None
    pending = None
    for line in lines[start + 1:]:
        head = re.match(r"^(\.\S+)(\s+0x[0-9a-f]+\s+0x[0-9a-f]+)?", line)
        if head and not line.startswith(" "):
            current = head.group(1)
            pending = None
            continue
        if current is None:
            continue
        if pending is not None:
            m = re.match(r"^\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$", line)
            if m:
                add(out, current, m.group(3), int(m.group(2), 16))
            pending = None
            continue
        m = re.match(r"^ (\.\S+|COMMON)\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$", line)
        if m:
            add(out, current, m.group(4), int(m.group(3), 16))
            continue
        if re.match(r"^ (\.\S+|COMMON)\s*$", line):
            pending = line.strip()
    return out


def add(out, section, obj, size):
    if size:
        parts = out.setdefault(section, {})
        name = "relocations" if section == ".reloc" else part_of(obj)
        parts[name] = parts.get(name, 0) + size


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit("usage: size_report.py PROGRAM.exe [MAP]")
    sections, headers, total = read_sections(sys.argv[1])
    print(f"{sys.argv[1]}: {total} bytes")
    print(f"  {'section':<10}{'in file':>10}{'in memory':>11}")
    print(f"  {'(headers)':<10}{headers:>10}{'':>11}")
    for name, vsize, rsize, _ in sections:
        print(f"  {name:<10}{rsize:>10}{vsize:>11}")
    end = max([r + o for _, _, r, o in sections] + [headers])
    if total > end:
        print(f"  {'(overlay)':<10}{total - end:>10}{'':>11}")
    if len(sys.argv) < 3:
        return
    by_section = read_map(sys.argv[2])
    totals = {}
    for name, vsize, rsize, _ in sections:
        # The map names sections in full; the file cuts names at 8 bytes.
        full = next((s for s in by_section if s[:8] == name), None)
        parts = by_section.get(full, {}) if full else {}
        used = 0
        for part, size in parts.items():
            in_file = min(size, max(rsize - used, 0))
            used += in_file
            totals[part] = totals.get(part, 0) + in_file
        if rsize > used:
            totals["(padding)"] = totals.get("(padding)", 0) + rsize - used
    totals["(headers)"] = headers
    print(f"  {'part of the program':<22}{'bytes in file':>14}")
    for part, size in sorted(totals.items(), key=lambda kv: -kv[1]):
        if size:
            print(f"  {part:<22}{size:>14}")


if __name__ == "__main__":
    main()
