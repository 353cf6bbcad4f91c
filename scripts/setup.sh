#!/usr/bin/env bash
# Installs what the build and the tests need, by Debian package name, and
# prepares the project's own quiet Wine prefix. Quick when all is there.
#
#   scripts/setup.sh               everything: the deliverables and every test
#   scripts/setup.sh deliverables  only what building the deliverables needs
#                                  (no Wine, no Xvfb, no clang, no Wine prefix)
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

packages=(
  cmake ninja-build g++ ccache pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32 binutils-mingw-w64
  # the Debian package: dpkg-shlibdeps reads its dependencies off the binaries
  dpkg-dev file
)
if [ "${1:-}" != deliverables ]; then
  packages+=(
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
    wine wine64 xvfb xauth
    clang libclang-rt-14-dev
    # the SDL2 game that the Linux bridge's tests play in the emulated machine
    libsdl2-dev
    # the emulated machine and the fresh Debian root, made beside the compiling
    qemu-system-x86 debootstrap e2fsprogs debian-archive-keyring
  )
fi

"$here/scripts/install-packages.sh" "${packages[@]}"
[ "${1:-}" = deliverables ] || "$here/scripts/wine-prefix.sh"
