#!/usr/bin/env python3
"""Makes the inputs of the packed program from the size build's program file.

  pack.py PROGRAM.exe DEFAULT.ld OUTDIR

Writes into OUTDIR:
  image.bin      the packed image (format in size/unpack.h): the program file
                 compressed with liblzma's raw LZMA1 coder
  image.c        the packed image as the stub's packedImage array
  hole.s         the stub's .hole section: no bytes in the file, as long as
                 the program's sections are in memory
  stub.ld        the linker's default script (DEFAULT.ld) with .hole first,
                 at the program's first section, and the rest after it
  link.txt       the program's image base, then the stub's entry symbol
"""
import lzma
import os
import re
import struct
import sys

MAGIC = 0x34364B50


def pe_fields(data):
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[:2] != b"MZ" or data[pe:pe + 4] != b"PE\0\0":
        sys.exit("pack: not a Windows program")
    machine = struct.unpack_from("<H", data, pe + 4)[0]
    opt = pe + 24
    magic = struct.unpack_from("<H", data, opt)[0]
    if magic == 0x10B:
        base = struct.unpack_from("<I", data, opt + 28)[0]
    else:
        base = struct.unpack_from("<Q", data, opt + 24)[0]
    align, = struct.unpack_from("<I", data, opt + 32)
    size_of_image, size_of_headers = struct.unpack_from("<II", data, opt + 56)
    return machine, base, align, size_of_image, size_of_headers


def fnv1a(data):
    h = 2166136261
    for b in data:
        h = ((h ^ b) * 16777619) & 0xFFFFFFFF
    return h


def compress(data):
    """The smallest stream over a few literal and position settings, with and
    without the x86 branch filter."""
    best = None
    for branches in (0, 1):
        for lc, lp, pb in ((3, 0, 0), (2, 0, 0), (1, 0, 0), (3, 0, 2), (0, 0, 0), (4, 0, 0)):
            filters = [{"id": lzma.FILTER_X86}] if branches else []
            stream = lzma.compress(data, format=lzma.FORMAT_RAW, filters=filters + [{
                "id": lzma.FILTER_LZMA1, "preset": 9 | lzma.PRESET_EXTREME,
                "lc": lc, "lp": lp, "pb": pb, "dict_size": 1 << 22, "nice_len": 273}])
            props = (pb * 5 + lp) * 9 + lc
            if best is None or len(stream) < len(best[2]):
                best = (props, branches, stream)
    props, branches, stream = best
    return struct.pack("<IIIBB", MAGIC, len(data), fnv1a(data), props, branches) + stream


def linker_script(default, hole):
    body = re.search(r"^=+\n(.*?)^=+$", default, re.S | re.M)
    script = body.group(1) if body else default
    first = re.search(r"^  \.text\s+__image_base__.*:$", script, re.M)
    if not first:
        sys.exit("pack: no .text in the default linker script")
    hole_section = (f"  .hole __image_base__ + __section_alignment__ :\n"
                    f"  {{\n    KEEP (*(.hole))\n  }}\n")
    return (script[:first.start()] + hole_section + "  .text ALIGN(__section_alignment__) :" +
            script[first.end():])


def write(path, text, mode="w"):
    with open(path + ".part", mode) as f:
        f.write(text)
    os.replace(path + ".part", path)


def main():
    if len(sys.argv) != 4:
        sys.exit("usage: pack.py PROGRAM.exe DEFAULT.ld OUTDIR")
    data = open(sys.argv[1], "rb").read()
    machine, base, align, size_of_image, size_of_headers = pe_fields(data)
    if align != 0x1000 or size_of_headers > align:
        sys.exit("pack: the program's headers must fit the first 4096 bytes")
    out = sys.argv[3]
    packed = compress(data)
    write(os.path.join(out, "image.bin"), packed, "wb")
    rows = [", ".join(str(b) for b in packed[i:i + 32]) for i in range(0, len(packed), 32)]
    write(os.path.join(out, "image.c"),
          "#include <stdint.h>\n"
          f"const uint8_t packedImage[{len(packed)}] = {{\n" + ",\n".join(rows) + "};\n"
          f"const uint32_t packedImageSize = {len(packed)};\n")
    write(os.path.join(out, "hole.s"),
          f'\t.section .hole,"bw"\n\t.space {size_of_image - align}\n')
    write(os.path.join(out, "stub.ld"), linker_script(open(sys.argv[2]).read(), size_of_image - align))
    entry = "_stubStart" if machine == 0x14C else "stubStart"
    write(os.path.join(out, "link.txt"), f"{base:#x}\n{entry}\n")


if __name__ == "__main__":
    main()
