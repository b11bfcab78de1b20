#!/usr/bin/env bash
# Runs the Windows build of textdump under Wine with the arguments given, so
# that the end-to-end tests can run it as they run the Linux build:
#   TEXTDUMP_EXE="$PWD/tools/wine-textdump.sh" build-test/tests/e2e_tests
# (an absolute path: the tests run the program from other folders).
# TEXTDUMP_WINDOWS_EXE names the .exe (default: build-windows/textdump.exe).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEDEBUG=-all
exec wine "${TEXTDUMP_WINDOWS_EXE:-$here/build-windows/textdump.exe}" "$@"
