#!/usr/bin/env bash
# Installs with apt-get, on Debian 12, what this machine lacks for each PURPOSE:
#
#   tools/setup.sh PURPOSE...
#
#   build    cmake, g++, Nettle (SHA-256), zlib (CRC32), nlohmann-json and CLI11 (the
#            program alone)
#   test     build, plus GoogleTest (libgtest-dev), rsvg-convert (librsvg2-bin),
#            which renders a survey's picture, and msgfmt (gettext), which checks
#            the PO files of --export
#   fuzz     cmake, clang and its libFuzzer runtime
#   package  build, plus dpkg-dev and file (cpack -G DEB reads the Depends line with
#            them) and lintian (which checks the package)
#   windows  cmake, nlohmann-json, CLI11, the MinGW-w64 g++ with POSIX threads, zlib
#            for it, and wine
#
# Installing needs root; when nothing is missing it does nothing, as any user.
# The package lists are read (apt-get update) only when something is missing.
set -euo pipefail

usage() {
  echo "usage: tools/setup.sh build|test|fuzz|package|windows..." >&2
  exit 2
}

missing=()

# need PACKAGE COMMAND...: PACKAGE is missing when COMMAND fails.
need() {
  local package=$1
  shift
  if ! "$@" >/dev/null 2>&1; then
    case " ${missing[*]} " in
      *" $package "*) ;;
      *) missing+=("$package") ;;
    esac
  fi
}

installed() {
  [ "$(dpkg-query -W -f='${Status}' "$1" 2>/dev/null)" = "install ok installed" ]
}

# clang++ links a libFuzzer program only with the fuzzer runtime.
fuzzer_links() {
  local probe status=0
  probe=$(mktemp -d)
  printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }\n' \
    >"$probe/probe.cpp"
  clang++ -fsanitize=fuzzer,address,undefined "$probe/probe.cpp" -o "$probe/probe" \
    >/dev/null 2>&1 || status=$?
  rm -rf "$probe"
  return $status
}

# The libraries the program builds with.
need_libraries() {
  need nettle-dev installed nettle-dev
  need zlib1g-dev installed zlib1g-dev
  need nlohmann-json3-dev installed nlohmann-json3-dev
  need libcli11-dev installed libcli11-dev
}

need_fuzzer() {
  need cmake command -v cmake
  if ! command -v clang++ >/dev/null; then
    # Debian 12's clang is clang 14.
    missing+=(clang libclang-rt-14-dev)
  elif ! fuzzer_links; then
    local major
    major=$(clang++ -dumpversion)
    missing+=("libclang-rt-${major%%.*}-dev")
  fi
}

[ "$#" -gt 0 ] || usage
fuzz=false
for purpose in "$@"; do
  case "$purpose" in
    build)
      need cmake command -v cmake
      need g++ command -v g++
      need_libraries ;;
    test)
      need cmake command -v cmake
      need g++ command -v g++
      need_libraries
      need libgtest-dev installed libgtest-dev
      need librsvg2-bin command -v rsvg-convert
      need gettext command -v msgfmt ;;
    fuzz)
      fuzz=true ;;
    package)
      need cmake command -v cmake
      need g++ command -v g++
      need_libraries
      need dpkg-dev command -v dpkg-shlibdeps
      need file command -v file
      need lintian command -v lintian ;;
    windows)
      need cmake command -v cmake
      need nlohmann-json3-dev installed nlohmann-json3-dev
      need libcli11-dev installed libcli11-dev
      need g++-mingw-w64-x86-64-posix command -v x86_64-w64-mingw32-g++-posix
      need libz-mingw-w64-dev installed libz-mingw-w64-dev
      need wine command -v wine ;;
    *) usage ;;
  esac
done
if $fuzz; then need_fuzzer; fi

[ "${#missing[@]}" -gt 0 ] || exit 0
if [ "$(id -u)" -ne 0 ]; then
  echo "tools/setup.sh: missing ${missing[*]}; run it as root to install them" >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
apt-get update -qq
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"

if $fuzz && ! fuzzer_links; then
  echo "tools/setup.sh: clang++ still cannot link a libFuzzer program" >&2
  exit 1
fi
