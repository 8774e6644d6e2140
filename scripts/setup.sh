#!/usr/bin/env bash
# Installs everything a fresh Debian 12 machine needs to build and test the program.
# Idempotent: every step checks first and does nothing when its result is already there.
# Needs root (apt-get). Only Debian's packages are used; libpng for Windows is built
# from Debian's own libpng1.6 source package.
set -euo pipefail

MINGW_ROOT=/usr/x86_64-w64-mingw32
PKGS=(
  cmake ninja-build make pkg-config
  g++ clang
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  libz-mingw-w64-dev
  wine wine64
  xvfb x11-apps xdotool imagemagick
  googletest
  locales fonts-wqy-microhei
  dpkg-dev
  python3
  nsis
)

log() { printf '[setup] %s\n' "$*"; }

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  log "installing: ${missing[*]}"
  as_root apt-get update -q
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The compilers must use the posix thread model (std::thread, std::mutex).
for tool in gcc g++; do
  if [ -e "/usr/bin/x86_64-w64-mingw32-$tool-posix" ] &&
     [ "$(readlink -f /usr/bin/x86_64-w64-mingw32-$tool)" != "/usr/bin/x86_64-w64-mingw32-$tool-posix" ]; then
    as_root update-alternatives --set "x86_64-w64-mingw32-$tool" "/usr/bin/x86_64-w64-mingw32-$tool-posix"
  fi
done

# Wine opens non-ASCII file names only when the glibc locale it runs under exists.
if ! locale -a 2>/dev/null | grep -qiE '^zh_CN\.utf-?8$'; then
  log "generating the zh_CN.UTF-8 locale"
  as_root localedef -i zh_CN -c -f UTF-8 zh_CN.UTF-8 || true
fi

# libpng for the Windows target, static, from Debian's source package.
if [ ! -f "$MINGW_ROOT/lib/libpng16.a" ] || [ ! -f "$MINGW_ROOT/include/png.h" ]; then
  log "building libpng for Windows from Debian's libpng1.6 source"
  if ! grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
      as_root sed -i 's/^Types: deb$/Types: deb deb-src/' /etc/apt/sources.list.d/debian.sources
    else
      as_root sh -c 'grep "^deb " /etc/apt/sources.list | sed "s/^deb /deb-src /" > /etc/apt/sources.list.d/deb-src.list'
    fi
    as_root apt-get update -q
  fi
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  (cd "$work" && apt-get source -q --download-only libpng1.6/bookworm >/dev/null 2>&1 || apt-get source -q --download-only libpng1.6)
  (cd "$work" && dpkg-source -x ./libpng1.6_*.dsc src >/dev/null)
  cat > "$work/toolchain.cmake" <<TC
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH $MINGW_ROOT)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
TC
  cmake -S "$work/src" -B "$work/build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$work/toolchain.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$MINGW_ROOT" -DPNG_SHARED=OFF -DPNG_STATIC=ON \
    -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DSKIP_INSTALL_PROGRAMS=ON -DSKIP_INSTALL_EXECUTABLES=ON \
    -DZLIB_LIBRARY="$MINGW_ROOT/lib/libz.a" -DZLIB_INCLUDE_DIR="$MINGW_ROOT/include" >/dev/null
  cmake --build "$work/build" >/dev/null
  as_root cmake --install "$work/build" >/dev/null
  log "libpng installed into $MINGW_ROOT"
fi

log "ready"
