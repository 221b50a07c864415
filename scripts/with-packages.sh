#!/usr/bin/env bash
# Runs a test that needs Debian packages the installer may have left out:
#
#   with-packages.sh PACKAGE... -- COMMAND [ARGUMENT...]
#
# With every package installed it runs the command. Otherwise it exits with
# 77, ctest's skip, saying which are missing and the installer's reason; a
# package missing for no recorded reason is an error: ./test.sh installs it.
set -euo pipefail
source "$(dirname "$0")/packages.sh"

packages=()
while [ $# -gt 0 ] && [ "$1" != -- ]; do
  packages+=("$1")
  shift
done
if [ $# -lt 2 ]; then
  echo "usage: $0 PACKAGE... -- COMMAND [ARGUMENT...]" >&2
  exit 2
fi
shift

# The reasons in the order first given, each with the packages it keeps out.
reasons=()
declare -A kept_out
unexplained=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' && continue
  reason=$(awk -F'\t' -v package="$package" '$1 == package { print $2; exit }' "$left_out_record" 2>/dev/null || true)
  if [ -z "$reason" ]; then
    unexplained+=("$package")
  elif [ -z "${kept_out[$reason]:-}" ]; then
    reasons+=("$reason")
    kept_out[$reason]=$package
  else
    kept_out[$reason]+=", $package"
  fi
done
if [ ${#unexplained[@]} -gt 0 ]; then
  echo "not installed, and not left out by the installer: ${unexplained[*]} (./test.sh installs them)" >&2
  exit 1
fi
if [ ${#reasons[@]} -gt 0 ]; then
  said=
  for reason in "${reasons[@]}"; do
    said+="${said:+; }${kept_out[$reason]} could not be installed: $reason"
  done
  echo "skipped: $said"
  exit 77
fi
exec "$@"
