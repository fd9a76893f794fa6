#!/usr/bin/env bash
# Qt 6 for Windows, cross-built with MinGW-w64 from Debian's own qt6-base source (the
# same 6.4.2 as the Linux build, whose moc, rcc and uic serve as host tools). Only what
# the program uses is configured. The result is kept in the system's cache folder, keyed
# by the version and the options, so later runs and CI on this machine reuse it; the first
# build takes about 25 minutes on two cores. Prints the installed prefix on its last line.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
. scripts/lib/debian-source.sh

qt_version=6.4.2
options=(
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
  -DQT_BUILD_TOOLS_WHEN_CROSSCOMPILING=OFF
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_concurrent=OFF
  -DFEATURE_xml=OFF -DFEATURE_vulkan=OFF -DFEATURE_opengl_dynamic=ON
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF
  -DFEATURE_system_jpeg=OFF -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF
  -DFEATURE_jpeg=OFF -DFEATURE_tabletevent=OFF
)
# Keyed by what the libraries are made of: the version, the options and the compiler.
key=$(printf '%s\n' "$qt_version" "${options[@]}" "$(x86_64-w64-mingw32-g++-posix --version | head -n 1)" |
  sha256sum | cut -c1-12)
cache=${TARVELO_CACHE:-/var/cache/tarvelo}
prefix=$cache/qt-$qt_version-mingw-$key

if [ ! -f "$prefix/lib/cmake/Qt6Widgets/Qt6WidgetsConfig.cmake" ]; then
  scripts/install-deps.sh cmake ninja-build perl g++-mingw-w64-x86-64-posix qt6-base-dev-tools qt6-base-dev
  sudo_cmd=()
  [ -w "$(dirname "$cache")" ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" mkdir -p "$cache"
  "${sudo_cmd[@]}" chown "$(id -u):$(id -g)" "$cache"
  work=$cache/qt-$qt_version-mingw-$key.work
  rm -rf "$work"
  mkdir -p "$work/source"
  debian_source "$work/source" qt6-base
  tar -xJf "$work"/source/qt6-base_*.orig.tar.xz -C "$work/source"
  # The toolchain looks for Windows libraries in TARVELO_MINGW_PREFIX; Qt needs none.
  TARVELO_MINGW_PREFIX=$work/none cmake -S "$work"/source/qtbase-everywhere-src-* -B "$work/build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake "${options[@]}"
  cmake --build "$work/build" -j "$(nproc)"
  cmake --install "$work/build"
  rm -rf "$work"
fi
echo "$prefix"
