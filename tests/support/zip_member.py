#!/usr/bin/env python3
"""Writes a zip archive whose members are packed with a method Info-ZIP's zip
cannot write: lzma (14), zstd (93) or xz (95).
Usage: zip_member.py METHOD OUT FILE..."""
import lzma
import struct
import subprocess
import sys
import zipfile
import zlib

method, out, files = sys.argv[1], sys.argv[2], sys.argv[3:]
if method == "lzma":
    with zipfile.ZipFile(out, "w", compression=zipfile.ZIP_LZMA) as z:
        for f in files:
            z.write(f, f.rsplit("/", 1)[-1])
    sys.exit(0)

codes = {"zstd": 93, "xz": 95}
pack = {
    "xz": lambda data: lzma.compress(data, format=lzma.FORMAT_XZ),
    "zstd": lambda data: subprocess.run(["zstd", "-q", "-c"], input=data, stdout=subprocess.PIPE, check=True).stdout,
}
archive, central = b"", b""
for f in files:
    data = open(f, "rb").read()
    packed = pack[method](data)
    name = f.rsplit("/", 1)[-1].encode()
    crc = zlib.crc32(data)
    fields = struct.pack("<HHHHHIII", 63, 0, codes[method], 0, 0x21, crc, len(packed), len(data))
    central += b"PK\x01\x02" + struct.pack("<H", 63) + fields + struct.pack("<HHHHHII", len(name), 0, 0, 0, 0, 0,
                                                                                len(archive)) + name
    archive += b"PK\x03\x04" + fields + struct.pack("<HH", len(name), 0) + name + packed
end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(files), len(files), len(central), len(archive), 0)
open(out, "wb").write(archive + central + end)
