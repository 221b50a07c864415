#!/usr/bin/env bash
# Installs what is missing, builds every configuration and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/packages.sh
scripts/install-packages.sh "${build_packages[@]}" "${run_packages[@]}" "${test_packages[@]}"
for preset in win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$(nproc)"
done
cmake --preset linux -DBUILD_TESTING=ON >/dev/null
cmake --build --preset linux -j "$(nproc)"
ctest --preset linux -j 2
