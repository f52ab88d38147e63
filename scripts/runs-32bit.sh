#!/usr/bin/env bash
# Exits 0 when this kernel runs 32-bit x86 programs, 1 when it does not. Asks the kernel
# itself, with nothing installed: writes a 93-byte static 32-bit ELF (an ELF header and
# one program header loaded at 0x08048000, then mov eax,1; xor ebx,ebx; int 0x80, the
# exit system call with status 0) and runs it. "Exec format error", or any other
# failure, means no.
set -u
root="$(cd "$(dirname "$0")/.." && pwd)"
# In the build tree, not /tmp: a temporary folder mounted noexec would read as "no".
mkdir -p "$root/build" 2>/dev/null || exit 1
probe=$(mktemp "$root/build/.runs-32bit.XXXXXX") || exit 1
trap 'rm -f "$probe"' EXIT
printf '%b' \
    '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' \
    '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' \
    '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' \
    '\x00\x00\x00\x00' \
    '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08' \
    '\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' \
    '\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >"$probe" && chmod +x "$probe" || exit 1
"$probe" >/dev/null 2>&1 && exit 0
exit 1
