#!/usr/bin/env bash
# Builds everything and runs every test: unit and feature tests on the headless backend (plain and under
# AddressSanitizer/UBSan), then Lumora.exe end to end under Wine. Exits non-zero on the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

step() { printf '\n=== %s\n' "$*"; }

step "native: build and test"
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native -j "$(nproc)"

step "asan: build and test under AddressSanitizer and UBSan"
cmake --preset asan >/dev/null
cmake --build --preset asan
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --preset asan -j "$(nproc)"

step "windows: build Lumora.exe, lumo.chm, the installer and the portable zip"
cmake --preset windows >/dev/null
cmake --build --preset windows

step "windows: the executables import only system DLLs, have ASLR and DEP on and say the project version"
LUMORA_EXPECTED_VERSION=$(cat build/windows/version.txt) \
  scripts/check-imports.sh build/windows/Lumora.exe build/windows/LumoraLocal.exe

step "the instructions of every x86-64 CPU, but for the compositor kernels picked at run time"
scripts/check-isa.sh build/windows/Lumora.exe build/windows/LumoraLocal.exe build/native/tests/raster/raster_tests

step "end to end: Lumora.exe and its installer under Wine"
python3 tests/e2e/run.py --exe build/windows/Lumora.exe
