#!/usr/bin/env bash
# Installs what the build and the tests need, by Debian package name, and
# prepares the project's own quiet Wine prefix. Quick when all is there.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

packages=(
  cmake ninja-build g++ ccache pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32 binutils-mingw-w64
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  wine wine64 xvfb xauth
  clang libclang-rt-14-dev
)

"$here/scripts/install-packages.sh" "${packages[@]}"
"$here/scripts/wine-prefix.sh"
