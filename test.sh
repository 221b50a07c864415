#!/usr/bin/env bash
# Installs what is missing, then builds, tests and packages everything: the
# Linux workflow, whose tests build the Windows presets they need. Its last
# lines say which tests were skipped and why.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/packages.sh
optional=("${optional_test_packages[@]}")
# A kernel that runs no 32-bit code runs 32-bit Wine under qemu.
scripts/i386.sh probe >/dev/null || optional+=(qemu-user-static)
scripts/install-packages.sh "${build_packages[@]}" "${run_packages[@]}" "${test_packages[@]}" --optional "${optional[@]}"
scripts/i386.sh enable
# Sway, which the desktop tests run, refuses to run as root.
id -u overdraw-test >/dev/null 2>&1 || useradd --create-home overdraw-test
# Written by the test step (CMakePresets.json); one from an earlier run would tell of tests not run now.
results=build/linux/ctest-results.xml
rm -f "$results"
status=0
cmake --workflow --preset linux || status=$?
if [ -f "$results" ]; then
  python3 scripts/test_summary.py "$results"
fi
exit "$status"
