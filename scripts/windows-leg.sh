#!/usr/bin/env bash
# The Windows leg: builds the program and its tests for Windows with MinGW-w64 (Qt for
# Windows from scripts/windows-qt.sh, kept in the system's cache folder) and runs them
# under Wine, the serial tests against tarvelo-balance-sim on pseudo-terminals mapped to
# COM7 and up; then makes the installer and tries it in a fresh prefix. Installs what it
# needs (Debian 12 packages); everything else stays below build/: the Windows libraries,
# the Linux helpers, a private Wine prefix and locale. A second run reuses them.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc)

packages=(
  build-essential cmake ninja-build pkg-config
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-x86-64-dev libz-mingw-w64-dev
  wine wine64 fonts-liberation locales xvfb nsis xdotool qt6-translations-l10n poppler-utils tcl sqlite3
  libgtest-dev libxlsxwriter-dev zlib1g-dev python3-openpyxl postgresql-15 postgresql-client-15
)
scripts/install-deps.sh "${packages[@]}"
. scripts/lib/debian-source.sh

deps=$root/build/mingw-deps
prefix=$deps/prefix
toolchain=$root/cmake/mingw-w64-x86_64.cmake
export TARVELO_MINGW_PREFIX=$prefix

# cross_cmake SOURCE BUILD [OPTION...]: configures, builds and installs a CMake project
# for Windows into the prefix.
cross_cmake() {
  local source=$1 build=$2
  shift 2
  cmake -S "$source" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_INSTALL_PREFIX="$prefix" "$@"
  cmake --build "$build" -j "$jobs"
  cmake --install "$build"
}
# unpack_debian_source PACKAGE: the upstream sources of Debian's source package in $deps/PACKAGE.
unpack_debian_source() {
  debian_source "$deps/source" "$1"
  rm -rf "${deps:?}/$1"
  mkdir -p "$deps/$1"
  tar -xf "$deps"/source/"$1"_*.orig.tar.* -C "$deps/$1" --strip-components=1
}

# GoogleTest for Windows, from the sources libgtest-dev ships.
if [ ! -f "$prefix/lib/libgtest.a" ]; then
  cross_cmake /usr/src/googletest "$deps/googletest" -DBUILD_GMOCK=OFF
fi

# libxlsxwriter for Windows, from Debian's source package.
if [ ! -f "$prefix/lib/libxlsxwriter.a" ]; then
  unpack_debian_source libxlsxwriter
  # As shipped, MinGW builds open files by their ANSI name, so a Cyrillic path fails: use
  # the library's own Windows file API (UTF-8 names made wide) as its MSVC build does.
  sed -i '/^#ifdef __MINGW32__$/,/^#endif$/d' "$deps/libxlsxwriter/src/packager.c" \
    "$deps/libxlsxwriter/src/utility.c"
  sed -i 's/^    if(MSVC)$/    if(WIN32)/' "$deps/libxlsxwriter/CMakeLists.txt"
  cross_cmake "$deps/libxlsxwriter" "$deps/libxlsxwriter-build" -DUSE_SYSTEM_MINIZIP=OFF
fi

# libjpeg-turbo and giflib for Windows, from Debian's source packages: the graph's pictures
# and the splash.
if [ ! -f "$prefix/lib/libjpeg.a" ]; then
  unpack_debian_source libjpeg-turbo
  cross_cmake "$deps/libjpeg-turbo" "$deps/libjpeg-turbo-build" -DENABLE_SHARED=OFF -DWITH_SIMD=OFF \
    -DWITH_TURBOJPEG=OFF
fi
if [ ! -f "$prefix/lib/libgif.a" ]; then
  unpack_debian_source giflib
  # The library's sources as its Makefile lists them; the Makefile itself builds for Unix.
  sources=$(sed -n '/^SOURCES = /,/[^\\]$/p' "$deps/giflib/Makefile" | sed 's/^SOURCES = //; s/\\//')
  (cd "$deps/giflib" && for source in $sources; do x86_64-w64-mingw32-gcc-posix -O2 -c "$source"; done &&
    x86_64-w64-mingw32-ar rcs libgif.a ${sources//.c/.o})
  install -D -m 644 "$deps/giflib/libgif.a" "$prefix/lib/libgif.a"
  install -D -m 644 "$deps/giflib/gif_lib.h" "$prefix/include/gif_lib.h"
fi

# SQLite for Windows, from Debian's source package: its one-file form, made by its own
# build here (which needs tclsh), compiled for Windows.
if [ ! -f "$prefix/lib/libsqlite3.a" ]; then
  unpack_debian_source sqlite3
  (cd "$deps/sqlite3" && ./configure >/dev/null && make sqlite3.c >/dev/null)
  x86_64-w64-mingw32-gcc-posix -O2 -DSQLITE_THREADSAFE=1 -c "$deps/sqlite3/sqlite3.c" -o "$deps/sqlite3/sqlite3.o"
  x86_64-w64-mingw32-ar rcs "$deps/sqlite3/libsqlite3.a" "$deps/sqlite3/sqlite3.o"
  install -D -m 644 "$deps/sqlite3/libsqlite3.a" "$prefix/lib/libsqlite3.a"
  install -D -m 644 "$deps/sqlite3/sqlite3.h" "$prefix/include/sqlite3.h"
fi

# Qt for Windows, built once into the system's cache folder (scripts/windows-qt.sh).
qt_prefix=$(scripts/windows-qt.sh | tail -n 1)
export TARVELO_QT_PREFIX=$qt_prefix
# libpq with OpenSSL for Windows, the same way (scripts/windows-libpq.sh).
libpq_prefix=$(scripts/windows-libpq.sh | tail -n 1)
export TARVELO_LIBPQ_PREFIX=$libpq_prefix

# The Linux side: the simulator the Windows tests talk to, the native reader for the
# figures, and the test harness's preload library (see tests/wine/).
host=$root/build/wine-host
cmake -S . -B "$host" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARVELO_QT=OFF -DTARVELO_BENCH=OFF \
  -DBUILD_TESTING=OFF
cmake --build "$host" -j "$jobs" --target tarvelo-balance-sim tarvelo-read
g++ -O2 -shared -fPIC -o "$host/tcsetattr_no_readback.so" tests/wine/tcsetattr_no_readback.cpp

# The Windows build.
cmake --preset mingw
cmake --build --preset mingw -j "$jobs"

# A private 64-bit Wine prefix on a Russian system (code page 1251), with a locale of
# its own, so neither the user's Wine nor the machine's locales are touched.
wine_dir=$root/build/wine
mkdir -p "$wine_dir/locale"
[ -d "$wine_dir/locale/ru_RU.UTF-8" ] || localedef -i ru_RU -f UTF-8 "$wine_dir/locale/ru_RU.UTF-8"
export LOCPATH=$wine_dir/locale
export LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8 2>/dev/null
export WINEPREFIX=$wine_dir/prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# The test harness issues the terminal settings without glibc's read-back, which takes
# a pseudo-terminal's dropped parity bit for a refusal (see tests/wine/).
export TARVELO_WINE_PRELOAD=$host/tcsetattr_no_readback.so
export TARVELO_WINE_SIM=$host/tools/balance_sim/tarvelo-balance-sim
export TARVELO_NATIVE_READ=$host/tools/read/tarvelo-read
runtime_dirs=(/usr/lib/gcc/x86_64-w64-mingw32/12-posix /usr/x86_64-w64-mingw32/lib "$qt_prefix/bin" "$libpq_prefix/bin")
WINEPATH=$(IFS=';'; for dir in "${runtime_dirs[@]}"; do printf '%s;' "Z:${dir//\//\\}"; done)
export WINEPATH
# Qt's platform plugins from the Windows build.
export QT_PLUGIN_PATH="Z:${qt_prefix//\//\\}\\plugins"
# The window's tests use Qt's Windows platform, on a virtual display of their own.
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 >"$wine_dir/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=$display

# Started here with its own log: it prints its object table when a pseudo-terminal's
# other end closes.
wineserver -k 2>/dev/null || true
mkdir -p "$WINEPREFIX"
wineserver -p >"$wine_dir/wineserver.log" 2>&1
trap 'wineserver -k 2>/dev/null || true; kill $xvfb_pid 2>/dev/null || true' EXIT
# Creates the prefix the first time; every time, starts its services before the tests,
# so the first test program does not wait for them.
wineboot >"$wine_dir/wineboot.log" 2>&1

# A Wine process now and then fails to start at all (no output, exit in 10 ms); such a
# test gets one more try. A test that fails on its merits fails twice.
ctest --preset mingw -j "$jobs" --repeat until-pass:2
bench/read_first_reading_wine.sh

# The installer, made from this build, installed and run in a fresh prefix.
installer=$(scripts/windows-installer.sh build/mingw "$qt_prefix" | tail -n 1)
tests/wine/installer_test.sh "$installer"
