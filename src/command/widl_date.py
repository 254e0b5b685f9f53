#!/usr/bin/python3
"""Puts the last commit's time where widl puts the time it ran.

widl (7.0, which reads no SOURCE_DATE_EPOCH) stores two custom values in the
type library: the text "Created by WIDL version 7.0 at <ctime>\\n" and, right
after it, the same time as a 32-bit number. Both become the commit's time,
in the same sizes, so the DLL comes out the same from build to build.
Usage: widl_date.py <type library> <source folder>
"""
import os
import re
import struct
import subprocess
import sys
import time

path, source = sys.argv[1], sys.argv[2]
epoch = os.environ.get("SOURCE_DATE_EPOCH")
if epoch is None:
    try:
        epoch = subprocess.run(["git", "-C", source, "log", "-1", "--format=%ct"],
                               capture_output=True, text=True, check=True).stdout.strip()
    except (OSError, subprocess.CalledProcessError):
        epoch = "0"
epoch = int(epoch)

with open(path, "rb") as library:
    data = bytearray(library.read())
found = re.search(rb"Created by WIDL version [0-9.]+ at (.{24})\n(W*)\x13\x00", data, re.S)
if not found:
    sys.exit("widl_date.py: no WIDL time in " + path)
stamp = time.strftime("%a %b %e %H:%M:%S %Y", time.gmtime(epoch)).encode("ascii")
data[found.start(1):found.end(1)] = stamp
struct.pack_into("<I", data, found.end(), epoch)
with open(path, "wb") as library:
    library.write(data)
