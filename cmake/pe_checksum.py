#!/usr/bin/python3
"""Sets a PE file's checksum from its content.

mingw-w64's linker fills the field with a value that changes from build to
build even when every other byte is the same; the checksum Windows computes
(ImageHelp's CheckSumMappedFile) depends on the content alone.
Usage: pe_checksum.py <file>
"""
import struct
import sys

path = sys.argv[1]
with open(path, "rb") as image:
    data = bytearray(image.read())
(pe,) = struct.unpack_from("<I", data, 0x3C)
field = pe + 4 + 20 + 64  # signature, file header, then CheckSum in the optional header
struct.pack_into("<I", data, field, 0)
padded = data + b"\0" * (len(data) % 2)
total = 0
for (word,) in struct.iter_unpack("<H", padded):
    total += word
    total = (total & 0xFFFF) + (total >> 16)
struct.pack_into("<I", data, field, (total & 0xFFFF) + len(data))
with open(path, "wb") as image:
    image.write(data)
