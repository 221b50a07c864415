#!/usr/bin/env bash
# How this machine runs 32-bit x86 programs, which 32-bit Wine is made of.
#
#   i386.sh probe    prints "native", "qemu" (binfmt_misc hands them to
#                    qemu-i386-static) or "none: WHY", and fails for none
#   i386.sh enable   (as root) where the kernel runs none, registers
#                    qemu-i386-static with binfmt_misc, and says how they run
#
# Wine starts further 32-bit processes of its own, so a prefix on the first
# command is not enough: the kernel must hand every one of them to qemu. The
# registration's F flag opens the emulator once, so that it serves processes
# in any mount namespace.
set -euo pipefail

binfmt=/proc/sys/fs/binfmt_misc
qemu=/usr/bin/qemu-i386-static
# An i386 ELF executable, of either type (static or PIE), as qemu registers it.
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
# A static i386 Linux program of 96 bytes: the ELF header, one loadable segment,
# and mov eax, 1; mov ebx, 42; int 0x80, which exits with 42.
probe_program=f0VMRgEBAQAAAAAAAAAAAAIAAwABAAAAVIAECDQAAAAAAAAAAAAAADQAIAABAAAAAAAAAAEAAAAAAAAAAIAECACABAhgAAAAYAAAAAUAAAAAEAAAuAEAAAC7KgAAAM2A

# The registered entry that takes i386 programs, if one does.
emulator_entry() {
  local entry
  [ "$(cat "$binfmt/status" 2>/dev/null)" = enabled ] || return 1
  for entry in "$binfmt"/*; do
    [ "$(head -n 1 "$entry" 2>/dev/null)" = enabled ] || continue
    grep -qE '^magic 7f454c460101[0-9a-f]{24}0300$' "$entry" && echo "$entry" && return 0
  done
  return 1
}

probe() {
  local program code=0 entry
  program=$(mktemp)
  base64 -d <<<"$probe_program" >"$program"
  chmod +x "$program"
  timeout 60 "$program" 2>/dev/null || code=$?
  rm -f "$program"
  entry=$(emulator_entry) || entry=
  if [ "$code" -eq 42 ]; then
    if [ -n "$entry" ]; then echo qemu; else echo native; fi
    return 0
  fi
  if [ -n "$entry" ]; then
    echo "none: the emulator that binfmt_misc hands them to ($(sed -n 's/^interpreter //p' "$entry")) fails to run one (exit code $code)"
  elif [ ! -x "$qemu" ]; then
    echo "none: this kernel runs no 32-bit x86 programs, and $qemu, which could, is not installed"
  else
    echo "none: this kernel runs no 32-bit x86 programs, and binfmt_misc does not hand them to $qemu (scripts/i386.sh enable, as root, registers it)"
  fi
  return 1
}

enable() {
  local how
  if how=$(probe); then
    echo "32-bit x86 programs run here: $how"
    return 0
  fi
  if [ -x "$qemu" ]; then
    # A fresh machine may have binfmt_misc unmounted, or switched off.
    [ -e "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt" || true
    [ ! -e "$binfmt/status" ] || echo 1 >"$binfmt/status" || true
    # One left from another emulator's path would keep failing.
    [ ! -e "$binfmt/qemu-i386" ] || echo -1 >"$binfmt/qemu-i386" || true
    printf ':qemu-i386:M::%s:%s:%s:F' "$magic" "$mask" "$qemu" >"$binfmt/register" || true
  fi
  if how=$(probe); then
    echo "32-bit x86 programs run here: $how"
  else
    echo "32-bit x86 programs cannot run here, and the tests of the 32-bit programs skip: ${how#none: }"
  fi
}

case "${1:-}" in
  probe) probe ;;
  enable) enable ;;
  *) echo "usage: $0 probe|enable" >&2; exit 2 ;;
esac
