"""The byte-level steps that make a build of a commit come out the same.

  fixup.py build-time <source folder> <file>
      writes the build time (SOURCE_DATE_EPOCH, else the last commit's time)
      to <file>, touching it only when it changes, so that what depends on
      it is rebuilt exactly when the time changes
  fixup.py widl-time <type library> <build-time file>
      puts the build time where widl (7.0, which reads no SOURCE_DATE_EPOCH)
      puts the time it ran: the text "Created by WIDL version 7.0 at
      <ctime>\\n" and, right after it, the same time as a 32-bit number
  fixup.py pe-checksum <image>
      sets a PE file's checksum from its content: the linker fills the field
      with a value that changes from build to build
  fixup.py pe-version <image>
      prints the file version of the image's version resource (a.b.c.d)
  fixup.py zip <out.zip> <epoch> <folder> <name>...
      the named files of <folder>, in the order given, under <folder>'s
      name, all dated <epoch>, with fixed permissions
  fixup.py msi-times <package.msi> <epoch>
      sets the created and saved times of the package's summary to <epoch>
  fixup.py code <name>
      prints the name-based (version 5) identifier of <name>, upper case, in
      braces, as Windows Installer writes its product and package codes
"""
import os
import re
import struct
import subprocess
import sys
import time
import uuid
import zipfile

# The earliest time a zip can hold; also the time of a tree without history.
EARLIEST = 315532800
# The namespace of the product and package codes derived from content.
CODES = uuid.UUID("5B0E7C3D-9A14-4F2B-8E61-C7D2A4F09B18")


def build_time(source, out):
    epoch = os.environ.get("SOURCE_DATE_EPOCH")
    if epoch is None:
        try:
            found = subprocess.run(["git", "-C", source, "log", "-1", "--format=%ct"],
                                   capture_output=True, text=True)
            epoch = found.stdout.strip() if found.returncode == 0 else ""
        except OSError:  # no git
            epoch = ""
    if not epoch:
        print("fixup.py: no SOURCE_DATE_EPOCH and no commit: the build time is 1980-01-01",
              file=sys.stderr)
        epoch = EARLIEST
    text = "%d\n" % int(epoch)
    try:
        with open(out) as old:
            if old.read() == text:
                return
    except FileNotFoundError:
        pass
    with open(out, "w") as new:
        new.write(text)


def read_epoch(path):
    with open(path) as f:
        return int(f.read())


def widl_time(path, epoch):
    with open(path, "rb") as library:
        data = bytearray(library.read())
    found = re.search(rb"Created by WIDL version [0-9.]+ at (.{24})\n(W*)\x13\x00", data, re.S)
    if not found:
        sys.exit("fixup.py: no WIDL time in " + path)
    stamp = time.strftime("%a %b %e %H:%M:%S %Y", time.gmtime(epoch)).encode("ascii")
    data[found.start(1):found.end(1)] = stamp
    struct.pack_into("<I", data, found.end(), epoch)
    with open(path, "wb") as library:
        library.write(data)


def pe_checksum(path):
    with open(path, "rb") as image:
        data = bytearray(image.read())
    (pe,) = struct.unpack_from("<I", data, 0x3C)
    field = pe + 4 + 20 + 64  # signature, file header, then CheckSum in the optional header
    struct.pack_into("<I", data, field, 0)
    total = 0
    for (word,) in struct.iter_unpack("<H", data + b"\0" * (len(data) % 2)):
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    struct.pack_into("<I", data, field, (total & 0xFFFF) + len(data))
    with open(path, "wb") as image:
        image.write(data)


def pe_version(path):
    with open(path, "rb") as image:
        data = image.read()
    # VS_FIXEDFILEINFO: its signature, the structure version, then the file
    # version as two 32-bit halves.
    at = data.find(struct.pack("<I", 0xFEEF04BD))
    if at < 0:
        sys.exit("fixup.py: no version resource in " + path)
    high, low = struct.unpack_from("<II", data, at + 8)
    return "%d.%d.%d.%d" % (high >> 16, high & 0xFFFF, low >> 16, low & 0xFFFF)


def make_zip(out, epoch, folder, names):
    # Zip times are local-time fields without a zone; UTC keeps them the
    # same on every machine.
    stamp = time.gmtime(max(epoch, EARLIEST))[:6]
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


def summary_times(path):
    """The created and saved times of a package's summary: their offsets in
    the stream, and the stream itself, as msiinfo reads it."""
    stream = subprocess.run(["msiinfo", "extract", path, "\x05SummaryInformation"],
                            capture_output=True, check=True).stdout
    (section,) = struct.unpack_from("<I", stream, 28 + 16)
    (count,) = struct.unpack_from("<I", stream, section + 4)
    found = []
    for i in range(count):
        pid, offset = struct.unpack_from("<II", stream, section + 8 + 8 * i)
        if pid in (12, 13):  # PID_CREATE_DTM, PID_LASTSAVE_DTM
            (vtype,) = struct.unpack_from("<I", stream, section + offset)
            assert vtype == 64  # VT_FILETIME
            found.append(stream[section + offset + 4:section + offset + 12])
    if len(found) != 2:
        sys.exit("fixup.py: no created and saved times in " + path)
    return found


def msi_times(path, epoch):
    # libmsi rewrites the summary from its own copy whenever it saves, so the
    # two times are replaced in the file itself: each must be found exactly
    # as often as the summary holds it, and is checked afterwards.
    new = struct.pack("<Q", (epoch + 11644473600) * 10**7)
    old = summary_times(path)
    with open(path, "rb") as package:
        data = package.read()
    for value in set(old):
        if data.count(value) != old.count(value):
            sys.exit("fixup.py: the summary's times are not in one piece in " + path)
        data = data.replace(value, new)
    with open(path, "wb") as package:
        package.write(data)
    if summary_times(path) != [new, new]:
        sys.exit("fixup.py: the summary's times did not change in " + path)


def main(argv):
    command, args = (argv[1], argv[2:]) if len(argv) > 1 else ("", [])
    if command == "build-time" and len(args) == 2:
        build_time(*args)
    elif command == "widl-time" and len(args) == 2:
        widl_time(args[0], read_epoch(args[1]))
    elif command == "pe-checksum" and len(args) == 1:
        pe_checksum(args[0])
    elif command == "pe-version" and len(args) == 1:
        print(pe_version(args[0]))
    elif command == "zip" and len(args) >= 4:
        make_zip(args[0], int(args[1]), args[2], args[3:])
    elif command == "msi-times" and len(args) == 2:
        msi_times(args[0], int(args[1]))
    elif command == "code" and len(args) == 1:
        print("{%s}" % str(uuid.uuid5(CODES, args[0])).upper())
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
