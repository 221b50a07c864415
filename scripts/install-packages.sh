#!/usr/bin/env bash
# Installs whichever of the named Debian packages are missing (needs root).
# A package named PACKAGE:ARCH brings the foreign architecture in first.
set -euo pipefail
missing=()
for package in "$@"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  for package in "${missing[@]}"; do
    case "$package" in
      *:*) dpkg --print-foreign-architectures | grep -qx "${package#*:}" || dpkg --add-architecture "${package#*:}" ;;
    esac
  done
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
