#!/usr/bin/env bash
# Installs what is missing, then builds, tests and packages everything: the
# Linux workflow, whose tests build the Windows presets they need.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/packages.sh
scripts/install-packages.sh "${build_packages[@]}" "${run_packages[@]}" "${test_packages[@]}"
# Sway, which the desktop tests run, refuses to run as root.
id -u overdraw-test >/dev/null 2>&1 || useradd --create-home overdraw-test
cmake --workflow --preset linux
