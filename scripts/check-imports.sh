#!/usr/bin/env bash
# The executables' hygiene:
# - they import only the system's own DLLs below. Any other DLL is searched for beside the program first, where
#   a planted copy (as in a Downloads folder) would be loaded. urlmon.dll and hhctrl.ocx are system DLLs too,
#   but Lumora loads them at run time from the system directory only, so they are not on the list either;
# - ASLR (dynamic base, high-entropy addresses) and DEP are on, and the relocations that ASLR needs are there;
# - the version resource says $LUMORA_EXPECTED_VERSION (1.0.0), in its fixed part and in its strings.
set -euo pipefail
allowed=" kernel32.dll user32.dll gdi32.dll shell32.dll advapi32.dll comctl32.dll ole32.dll oleaut32.dll comdlg32.dll msvcrt.dll "
version=${LUMORA_EXPECTED_VERSION:-1.0.0}

# Prints what is wrong with the version resource of $1, nothing when it says $2.
check_version() {
  python3 - "$1" "$2" <<'PY'
import struct, sys
path, want = sys.argv[1], sys.argv[2]
data = open(path, "rb").read()
pe = struct.unpack_from("<I", data, 0x3C)[0]
sections, optional = struct.unpack_from("<H", data, pe + 6)[0], struct.unpack_from("<H", data, pe + 20)[0]
rsrc = b""
for i in range(sections):
    at = pe + 24 + optional + 40 * i
    if data[at:at + 8].rstrip(b"\0") == b".rsrc":
        size, offset = struct.unpack_from("<II", data, at + 16)
        rsrc = data[offset:offset + size]
fixed = rsrc.find(struct.pack("<I", 0xFEEF04BD))  # VS_FIXEDFILEINFO's signature
if fixed < 0:
    sys.exit(print("no version resource"))
file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<4I", rsrc, fixed + 8)
dotted = lambda ms, ls: "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
for what, got in (("file", dotted(file_ms, file_ls)), ("product", dotted(product_ms, product_ls))):
    if got != want + ".0":
        print("fixed %s version is %s" % (what, got))
for key in ("FileVersion", "ProductVersion"):
    # A String block: its key, padded to 32 bits, then the value, both UTF-16 and NUL-terminated.
    at = rsrc.find((key + "\0").encode("utf-16-le"))
    if at < 0:
        print("no %s string" % key); continue
    at += 2 * len(key) + 2
    at += (-at) % 4
    value = rsrc[at:rsrc.find(b"\0\0", at) + 1].decode("utf-16-le", "replace").rstrip("\0")
    if value != want:
        print("%s string is %r" % (key, value))
PY
}

status=0
for exe in "$@"; do
  bad=0
  headers=$(x86_64-w64-mingw32-objdump -p "$exe")
  imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | tr '[:upper:]' '[:lower:]')
  if [ -z "$imports" ]; then
    echo "$exe: no imports found (not a Windows executable?)"
    bad=1
  fi
  for dll in $imports; do
    case "$allowed" in
      *" $dll "*) ;;
      *) echo "$exe imports $dll, which is not one of the allowed system DLLs"; bad=1 ;;
    esac
  done
  flags=$(sed -n '/^DllCharacteristics/,/^SizeOfStackReserve/p' <<<"$headers")
  for flag in DYNAMIC_BASE HIGH_ENTROPY_VA NX_COMPAT; do
    grep -qw "$flag" <<<"$flags" || { echo "$exe: $flag is off"; bad=1; }
  done
  # Without a relocation table the loader cannot move the image, whatever DYNAMIC_BASE says.
  if grep -q "relocations stripped" <<<"$headers" || ! grep -q "Base Relocation Directory \[\.reloc\]" <<<"$headers"; then
    echo "$exe: no relocations, so ASLR cannot move it"
    bad=1
  fi
  wrong=$(check_version "$exe" "$version")
  if [ -n "$wrong" ]; then echo "$exe: version resource: $wrong" | head -5; bad=1; fi
  if [ $bad -eq 0 ]; then
    echo "$exe imports only system DLLs ($(echo $imports)); ASLR, high-entropy VA, DEP on; version $version"
  else
    status=1
  fi
done
exit $status
