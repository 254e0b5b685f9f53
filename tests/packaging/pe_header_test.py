"""The shipped DLL's hardening as Windows and security scanners read it:
ASLR (DYNAMIC_BASE), DEP (NX_COMPAT), no section both writable and
executable; and, read from the linker's map since the image is stripped, the
stack cookie check called from the project's code, GCC's libssp not linked,
and the image starting at the entry point that seeds the cookie.
Usage: pe_header_test.py <Vantrel2.dll> <Vantrel2.map>"""
import re
import struct
import sys

dll, map_file = sys.argv[1:3]
data = open(dll, "rb").read()
(pe,) = struct.unpack_from("<I", data, 0x3C)
sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
(flags,) = struct.unpack_from("<H", data, pe + 24 + 70)
failures = [name for name, bit in (("DYNAMIC_BASE", 0x40), ("NX_COMPAT", 0x100)) if not flags & bit]
for i in range(sections):
    at = pe + 24 + optional_size + 40 * i
    (characteristics,) = struct.unpack_from("<I", data, at + 36)
    if characteristics & 0xA0000000 == 0xA0000000:  # MEM_WRITE | MEM_EXECUTE
        failures.append("writable and executable section " + data[at:at + 8].rstrip(b"\0").decode())
linked = open(map_file, errors="replace").read()
if not re.search(r"\.obj\) \(__stack_chk_fail\)", linked):
    failures.append("no stack cookie check (__stack_chk_fail) called")
if "libssp" in linked:
    failures.append("GCC's libssp linked")
magic, entry = struct.unpack_from("<H14xI", data, pe + 24)
wide = magic == 0x20B  # PE32+, the 64-bit build
(image_base,) = struct.unpack_from("<Q" if wide else "<I", data, pe + 24 + (24 if wide else 28))
seeding = re.search(r"^ +0x([0-9a-f]+) +vantrel2_dll_entry$", linked, re.M)
if not seeding or image_base + entry != int(seeding.group(1), 16):
    failures.append("entry point other than vantrel2_dll_entry")
print("FAIL: " + ", ".join(failures) if failures else
      "DYNAMIC_BASE, NX_COMPAT, no W+X section, own stack cookie check seeded at the entry point")
sys.exit(1 if failures else 0)
