#!/usr/bin/python3
"""Byte-for-byte reproducible release files.

  release_files.py zip <out.zip> <epoch> <folder> <name>...
      the named files of <folder>, in the order given, under <folder>'s
      name, all dated <epoch>, with fixed permissions
  release_files.py msi <package.msi> <epoch> <namespace uuid>
      fixes what wixl makes up on every run in the summary stream: the
      created and saved times become <epoch>, and the package code is
      derived from the package's content, so it changes when that does
"""
import hashlib
import os
import struct
import sys
import time
import uuid
import zipfile

import olefile

SUMMARY = "\x05SummaryInformation"
PID_REVNUMBER, PID_CREATE_DTM, PID_LASTSAVE_DTM = 9, 12, 13
VT_LPSTR, VT_FILETIME = 30, 64


def make_zip(out, epoch, folder, names):
    # Zip times are local-time fields without a zone; UTC keeps them the
    # same on every machine.
    stamp = time.gmtime(max(epoch, 315532800))[:6]
    top = os.path.basename(os.path.normpath(folder))
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as archive:
        info = zipfile.ZipInfo(top + "/", stamp)
        info.external_attr = (0o40755 << 16) | 0x10
        archive.writestr(info, b"")
        for name in names:
            with open(os.path.join(folder, name), "rb") as source:
                data = source.read()
            info = zipfile.ZipInfo(top + "/" + name, stamp)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = 0o100644 << 16
            info.create_system = 3
            archive.writestr(info, data, compresslevel=9)


def properties(stream):
    """Offsets in the summary stream of the values of its properties."""
    (section,) = struct.unpack_from("<I", stream, 28 + 16)
    (count,) = struct.unpack_from("<I", stream, section + 4)
    found = {}
    for i in range(count):
        pid, offset = struct.unpack_from("<II", stream, section + 8 + 8 * i)
        (vtype,) = struct.unpack_from("<I", stream, section + offset)
        found[pid] = (vtype, section + offset + 4)
    return found


def fix_msi(path, epoch, namespace):
    with olefile.OleFileIO(path) as ole:
        stream = bytearray(ole.openstream(SUMMARY).read())
    props = properties(stream)
    filetime = (epoch + 11644473600) * 10**7
    for pid in (PID_CREATE_DTM, PID_LASTSAVE_DTM):
        vtype, at = props[pid]
        assert vtype == VT_FILETIME
        struct.pack_into("<Q", stream, at, filetime)
    vtype, at = props[PID_REVNUMBER]
    assert vtype == VT_LPSTR
    (size,) = struct.unpack_from("<I", stream, at)
    code_at = at + 4

    def write_code(code):
        text = ("{%s}" % str(code).upper()).encode("ascii")
        assert size >= len(text)
        stream[code_at:code_at + size] = text.ljust(size, b"\0")
        with olefile.OleFileIO(path, write_mode=True) as ole:
            ole.write_stream(SUMMARY, bytes(stream))

    write_code(uuid.UUID(int=0))
    with open(path, "rb") as package:
        content = hashlib.sha256(package.read()).hexdigest()
    write_code(uuid.uuid5(uuid.UUID(namespace), "package " + content))


def main(argv):
    if argv[1] == "zip":
        make_zip(argv[2], int(argv[3]), argv[4], argv[5:])
    elif argv[1] == "msi":
        fix_msi(argv[2], int(argv[3]), argv[4])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
