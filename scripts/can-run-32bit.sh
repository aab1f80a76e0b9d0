#!/usr/bin/env bash
# Exits with 0 when this machine runs 32-bit x86 programs (some x86_64 kernels
# are built or booted without that), 1 when it does not. Tries a 93-byte
# static i386 program that only calls exit(0).
set -u
if [ "${1:-}" = --help ]; then
  echo "usage: scripts/can-run-32bit.sh"
  echo "Exits with 0 when this machine runs 32-bit x86 programs, 1 when it does not."
  exit 0
fi
program=$(mktemp)
trap 'rm -f "$program"' EXIT
{
  # ELF header: 32-bit, little-endian, executable for i386, entry 0x08048054,
  # one program header at byte 52.
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'
  printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'
  printf '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00'
  # One loadable segment: the whole file at 0x08048000, readable and executable.
  printf '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'
  printf '\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'
  # mov eax, 1 (exit); xor ebx, ebx (status 0); int 0x80
  printf '\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80'
} >"$program"
chmod +x "$program"
"$program" 2>/dev/null
