#!/usr/bin/env bash
# Installs whichever of the named Debian packages are missing (needs root):
#
#   install-packages.sh PACKAGE... [--optional PACKAGE...]
#
# A package named PACKAGE:ARCH brings the foreign architecture in first.
# A mirror in the middle of a sync may serve an index that fails to download:
# the update is tried again within a bound, then apt goes on with the indexes
# that arrived. A package that still cannot be installed fails the script,
# unless it comes after --optional: such a package is left out, and recorded
# with apt's reason where packages.sh says, for the tests that need it to skip
# (scripts/with-packages.sh). The record keeps the reasons of those left out
# and drops the packages that are in.
set -euo pipefail
source "$(dirname "$0")/packages.sh"

required=() optional=()
after_optional=false
for argument in "$@"; do
  if [ "$argument" = --optional ]; then
    after_optional=true
  elif $after_optional; then
    optional+=("$argument")
  else
    required+=("$argument")
  fi
done
asked=("${required[@]}" "${optional[@]}")

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

is_optional() {
  local package
  for package in "${optional[@]}"; do [ "$package" != "$1" ] || return 0; done
  return 1
}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# The indexes that did not download, as "URL: apt's message", one a line.
index_failures=
update_indexes() {
  # About two and a half minutes in all: long enough for most mirror syncs to end.
  local waits=(10 20 40 60) attempt=0
  while ! apt-get update -qq >"$scratch/update" 2>&1; do
    if [ $attempt -ge ${#waits[@]} ]; then
      index_failures=$(sed -nE 's/^[EW]: Failed to fetch ([^ ]+) +(.*[^ ]) *\[IP: [^]]*\]$/\1: \2/p; t; s/^[EW]: Failed to fetch ([^ ]+) +(.*)$/\1: \2/p' "$scratch/update")
      echo "apt-get update failed ${#waits[@]} more times; going on with the indexes that arrived. Not fetched:" >&2
      sed 's/^/  /' <<<"${index_failures:-$(cat "$scratch/update")}" >&2
      return
    fi
    echo "apt-get update failed; trying again in ${waits[attempt]} s: $(grep -m1 '^E: ' "$scratch/update" || head -n 1 "$scratch/update")" >&2
    sleep "${waits[attempt]}"
    attempt=$((attempt + 1))
  done
}

# Apt's reason, read from what a simulated install of the package printed: its
# line about the package, else about another of those missing (wine32 fails
# through libwine), else its last error; and the indexes that failed to
# download, which are likely why.
apt_reason() {
  local package=$1 output=$2 name reason=
  for name in "$package" "${missing[@]}"; do
    reason=$(grep -m1 -F " $name : " "$output" || true)
    [ -z "$reason" ] || break
  done
  [ -n "$reason" ] || reason=$(grep '^E: ' "$output" | tail -n 1 || true)
  [ -n "$reason" ] || reason="apt-get install -s $package failed"
  reason=$(sed -E 's/^ +//; s/ +/ /g' <<<"$reason")
  if [ -n "$index_failures" ]; then
    reason+="; apt-get update could not fetch $(paste -sd';' <<<"$index_failures" | sed 's/;/; /g')"
  fi
  echo "$reason"
}

missing=()
for package in "${asked[@]}"; do
  installed "$package" || missing+=("$package")
done
# Each left out: the package, a tab, the reason.
: >"$scratch/left-out"
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  for package in "${missing[@]}"; do
    case "$package" in
      *:*) dpkg --print-foreign-architectures | grep -qx "${package#*:}" || dpkg --add-architecture "${package#*:}" ;;
    esac
  done
  export DEBIAN_FRONTEND=noninteractive
  update_indexes
  apt_install=(apt-get install -y -qq --no-install-recommends -o Acquire::Retries=3)
  if ! "${apt_install[@]}" "${missing[@]}" >/dev/null 2>"$scratch/install"; then
    # Which of them apt cannot install, each tried alone; the rest go in one run.
    installable=()
    for package in "${missing[@]}"; do
      if apt-get install -s --no-install-recommends "$package" >"$scratch/simulated" 2>&1; then
        installable+=("$package")
        continue
      fi
      reason=$(apt_reason "$package" "$scratch/simulated")
      if ! is_optional "$package"; then
        cat "$scratch/simulated" >&2
        echo "install-packages.sh: $package, which is needed, cannot be installed: $reason" >&2
        exit 1
      fi
      printf '%s\t%s\n' "$package" "$reason" >>"$scratch/left-out"
    done
    if [ ${#installable[@]} -gt 0 ]; then
      "${apt_install[@]}" "${installable[@]}" >/dev/null
    fi
  fi
fi

# The record: the lines of packages not asked about here, and those left out now.
recorded=/dev/null
[ ! -f "$left_out_record" ] || recorded=$left_out_record
awk -F'\t' 'NR == FNR { asked[$0]; next } !($1 in asked)' <(printf '%s\n' "${asked[@]}") "$recorded" >"$scratch/record"
cat "$scratch/left-out" >>"$scratch/record"
if [ -s "$scratch/record" ]; then
  if ! cmp -s "$scratch/record" "$left_out_record"; then
    mkdir -p "$(dirname "$left_out_record")"
    install -m 644 "$scratch/record" "$left_out_record"
  fi
elif [ -e "$left_out_record" ]; then
  rm "$left_out_record"
fi
if [ -s "$scratch/left-out" ]; then
  echo "left out, and the tests that need them skip: $(cut -f1 "$scratch/left-out" | paste -sd' ')"
  sed 's/\t/: /; s/^/  /' "$scratch/left-out"
fi
