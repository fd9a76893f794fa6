#!/usr/bin/env bash
# windows-installer.sh BUILD QT_PREFIX: makes build/windows-installer/Tarvelo-<version>-setup.exe
# from the Windows build in BUILD (scripts/windows-leg.sh makes both): the two programs,
# every library they load, found by walking their imports, Qt's Windows platform and
# style plugins, the help and the splash.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$1
qt_prefix=$2
out=build/windows-installer
stage=$out/stage
version=$(sed -n 's/^project(Tarvelo VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
search_dirs=("$qt_prefix/bin" /usr/lib/gcc/x86_64-w64-mingw32/12-posix /usr/x86_64-w64-mingw32/lib
  /usr/x86_64-w64-mingw32/bin)
# libpq and OpenSSL (scripts/windows-libpq.sh), when the build used them.
[ -n "${TARVELO_LIBPQ_PREFIX:-}" ] && search_dirs+=("$TARVELO_LIBPQ_PREFIX/bin")

rm -rf "$stage"
mkdir -p "$stage/platforms" "$stage/styles"
cp "$build/app/Tarvelo.exe" "$build/tools/read/tarvelo-read.exe" "$build/tools/journal/tarvelo-journal.exe" app/help/HELP.doc window/main/resources/splash.jpg "$stage/"
cp "$qt_prefix/plugins/platforms/qwindows.dll" "$stage/platforms/"
cp "$qt_prefix/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/"

# The file named NAME in DIR, in any case: Windows names are case-blind, and an import may be
# spelt otherwise than the file (programs linked with libpq import LIBPQ.dll).
file_in() {
  find "$1" -maxdepth 1 -type f -iname "$2" -print -quit 2>/dev/null
}

# Each library a program or plugin imports that is not the system's, and what it imports.
pending=("$stage"/*.exe "$stage"/platforms/*.dll "$stage"/styles/*.dll)
while [ ${#pending[@]} -gt 0 ]; do
  file=${pending[0]}
  pending=("${pending[@]:1}")
  for dll in $(LC_ALL=C x86_64-w64-mingw32-objdump -p "$file" | awk '/DLL Name:/ { print $3 }'); do
    [ -n "$(file_in "$stage" "$dll")" ] && continue
    for dir in "${search_dirs[@]}"; do
      found=$(file_in "$dir" "$dll")
      if [ -n "$found" ]; then
        cp "$found" "$stage/"
        pending+=("$stage/$(basename "$found")")
        break
      fi
    done
  done
done

# Debian's MinGW runtime and the Qt build keep their symbols; the installed program needs none.
x86_64-w64-mingw32-strip --strip-unneeded "$stage"/*.exe "$stage"/*.dll "$stage"/*/*.dll

# What the uninstaller removes: these files, then these folders if nothing else is in them.
# Whatever the user or the program made in the install folder (protocols, logs) stays.
files=$out/installed-files.nsh
(
  cd "$stage"
  find . -type f | sort | sed 's|^\./||; s|/|\\|g' | while read -r file; do printf 'Delete "$INSTDIR\\%s"\n' "$file"; done
  find . -mindepth 1 -type d | sort -r | sed 's|^\./||; s|/|\\|g' | while read -r dir; do printf 'RMDir "$INSTDIR\\%s"\n' "$dir"; done
) >"$files"

makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DSTAGE="$PWD/$stage" -DICON="$PWD/window/main/resources/tarvelo.ico" \
  -DFILES="$PWD/$files" -DOUTFILE="$PWD/$out/Tarvelo-$version-setup.exe" packaging/windows/tarvelo.nsi
echo "$out/Tarvelo-$version-setup.exe"
