#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need, only those missing, and
# generates the Russian locale the tests run under; with --fuzz, those the fuzz preset needs
# (scripts/fuzz.sh); with package names as arguments, those packages instead.
set -euo pipefail

kTestLocale=ru_RU.UTF-8

build_packages=(
  build-essential
  cmake
  ninja-build
  pkg-config
  qt6-base-dev
  libqt6opengl6-dev
  libjpeg62-turbo-dev
  libxlsxwriter-dev
  zlib1g-dev
  libgif-dev
  libsqlite3-dev
  libpq-dev
)
test_packages=(
  libgtest-dev
  qt6-translations-l10n
  python3-openpyxl
  postgresql-15
  postgresql-client-15
  sqlite3
  poppler-utils
  libreoffice-calc-nogui
  locales
)
# clang's sanitizer and libFuzzer runtimes, which clang only recommends, and llvm-symbolizer,
# which names the source lines of a crash's stack.
fuzz_packages=(
  clang
  libclang-rt-14-dev
  llvm
)
packages=("${build_packages[@]}" "${test_packages[@]}")
want_locale=true
if [ "${1:-}" = --fuzz ]; then
  packages=("${build_packages[@]}" "${fuzz_packages[@]}")
  want_locale=false
elif [ $# -gt 0 ]; then
  packages=("$@")
  want_locale=false
fi

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

missing=()
for package in "${packages[@]}"; do
  dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -q
  "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The C library's locale, not only Qt's: number texts in files must not follow it.
has_locale() { locale -a 2>/dev/null | grep -qix "${kTestLocale%%.*}.utf8"; }
if $want_locale && ! has_locale; then
  echo "Generating the $kTestLocale locale"
  "${sudo_cmd[@]}" sed -i "s/^# *\($kTestLocale UTF-8\)/\1/" /etc/locale.gen
  grep -qx "$kTestLocale UTF-8" /etc/locale.gen ||
    echo "$kTestLocale UTF-8" | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
  "${sudo_cmd[@]}" locale-gen
  has_locale || { echo "The $kTestLocale locale could not be generated" >&2; exit 1; }
fi
