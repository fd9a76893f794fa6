#!/usr/bin/env bash
# libpq, the PostgreSQL client library, for Windows: cross-built with MinGW-w64 from
# Debian's own postgresql-15 source, with TLS from Debian's openssl source (built first
# into the same prefix). Only the client library and its headers are installed, with a
# pkg-config file (libpq.pc, and OpenSSL's, which it requires) for pkg_check_modules. The
# result is kept in the system's cache folder, keyed by this script and the compiler, so
# a changed recipe builds anew and later runs reuse it; the build takes about 12 minutes
# on two cores, its output goes to a log beside the prefix. Before the prefix is kept, a
# small program linked against it runs under Wine (when there is one) and must see a
# refused connection. Prints the installed prefix on its last line.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/debian-source.sh

# Two jobs at most: the machine stays usable for other builds.
jobs=2
openssl_options=(mingw64 shared no-tests no-engine no-legacy --cross-compile-prefix=x86_64-w64-mingw32-)
libpq_options=(--host=x86_64-w64-mingw32 --without-readline --without-icu --without-zlib --with-ssl=openssl)
# Keyed by the recipe (this script) and the compiler.
key=$({ cat "$0"; x86_64-w64-mingw32-gcc-posix --version | head -n 1; } | sha256sum | cut -c1-12)
cache=${TARVELO_CACHE:-/var/cache/tarvelo}
name=libpq-15-mingw-$key
prefix=$cache/$name
log=$cache/$name.log

step() { echo "windows-libpq: $*" >&2; }
# quiet COMMAND...: runs the command with its output in the log; on failure shows the log's end.
quiet() {
  if ! "$@" >>"$log" 2>&1; then
    step "failed: $*; the end of $log:"
    tail -n 40 "$log" >&2
    exit 1
  fi
}

if [ ! -f "$prefix/lib/pkgconfig/libpq.pc" ]; then
  scripts/install-deps.sh make perl bzip2 pkg-config gcc-mingw-w64-x86-64-posix
  sudo_cmd=()
  [ -w "$(dirname "$cache")" ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" mkdir -p "$cache"
  "${sudo_cmd[@]}" chown "$(id -u):$(id -g)" "$cache"
  work=$cache/$name.work
  rm -rf "$work"
  mkdir -p "$work/source"
  : >"$log"
  step "log: $log"
  # Installed into a staging folder first, moved to the prefix only once it works.
  stage=$work/stage$prefix

  step "fetching Debian's postgresql-15 and openssl sources"
  quiet debian_source "$work/source" postgresql-15 openssl
  mkdir -p "$work/openssl" "$work/postgresql"
  tar -xzf "$work"/source/openssl_*.orig.tar.gz -C "$work/openssl" --strip-components=1
  tar -xjf "$work"/source/postgresql-15_*.orig.tar.bz2 -C "$work/postgresql" --strip-components=1

  step "building OpenSSL $(sed -n 's/^\(MAJOR\|MINOR\|PATCH\)=//p' "$work/openssl/VERSION.dat" | paste -sd.)"
  cd "$work/openssl"
  quiet env CC=gcc-posix ./Configure "${openssl_options[@]}" --prefix="$prefix" --libdir=lib
  quiet make -j "$jobs" build_libs
  # Headers, import libraries, pkg-config files and the DLLs; no programs, no manuals.
  quiet make DESTDIR="$work/stage" install_dev
  # Only the DLLs are for linking against: the static libraries go.
  rm -f "$stage/lib/libcrypto.a" "$stage/lib/libssl.a"

  cd "$work/postgresql"
  step "configuring PostgreSQL $(sed -n 's/^PACKAGE_VERSION=.\(.*\).$/\1/p' configure)"
  quiet ./configure "${libpq_options[@]}" CC=x86_64-w64-mingw32-gcc-posix --prefix="$prefix" \
    CPPFLAGS="-I$stage/include" LDFLAGS="-L$stage/lib"
  step "building libpq"
  # The libpq Makefile builds the parts of src/port and src/common it needs.
  quiet make -j "$jobs" -C src/interfaces/libpq
  quiet make -C src/interfaces/libpq DESTDIR="$work/stage" install
  # The headers a client includes (libpq-fe.h and libpq-events.h come with the library).
  install -m 644 src/include/postgres_ext.h src/include/pg_config_ext.h "$stage/include/"
  install -D -m 644 src/include/libpq/libpq-fs.h "$stage/include/libpq/libpq-fs.h"
  # The library's internal headers would need the server's; the DLL belongs in bin/ only,
  # and the import library gets its MinGW name.
  rm -rf "$stage/include/postgresql" "$stage/lib/libpq.dll"
  mv "$stage/lib/libpq.a" "$stage/lib/libpq.dll.a"
  # For a static link libpq.pc would name src/port's and src/common's libraries, which are
  # not installed, and the staging folder: only the system libraries stay.
  sed -i 's/^Libs.private:.*/Libs.private: -lshell32 -lws2_32 -lsecur32/' "$stage/lib/pkgconfig/libpq.pc"
  x86_64-w64-mingw32-strip --strip-unneeded "$stage"/bin/*.dll

  if command -v wine >/dev/null; then
    step "checking it under Wine"
    mkdir -p "$work/check"
    cat >"$work/check/check.c" <<'EOF'
#include <stdio.h>
#include <string.h>
#include <libpq-fe.h>

/* The library's version, and a refused connection (WSAECONNREFUSED, 10061) to port 1. */
int main(void) {
  int version = PQlibVersion();
  printf("PQlibVersion: %d\n", version);
  PGconn *conn = PQconnectdb("host=127.0.0.1 port=1 dbname=x connect_timeout=2 sslmode=prefer");
  const char *message = PQerrorMessage(conn);
  printf("PQconnectdb: %s", message);
  int ok = version / 10000 == 15 && PQstatus(conn) == CONNECTION_BAD && strstr(message, "10061") != NULL;
  PQfinish(conn);
  return ok ? 0 : 1;
}
EOF
    # shellcheck disable=SC2046  # pkg-config's flags are separate words
    quiet x86_64-w64-mingw32-gcc-posix -O2 -Wall -o "$work/check/check.exe" "$work/check/check.c" \
      $(PKG_CONFIG_LIBDIR="$stage/lib/pkgconfig" PKG_CONFIG_SYSROOT_DIR="$work/stage" pkg-config --cflags --libs libpq)
    # A throwaway Wine prefix, ended with its own server.
    (
      export WINEPREFIX=$work/wine WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
      export WINEPATH="Z:${stage//\//\\}\\bin"
      trap 'wineserver -k 2>/dev/null || true' EXIT
      quiet wineboot -i
      quiet wine "$work/check/check.exe"
    )
    grep -a '^PQ' "$log" | tail -n 2 | sed 's/^/  /' >&2
  else
    step "no Wine here: the check is skipped"
  fi

  mv "$stage" "$prefix"
  rm -rf "$work"
  step "done"
fi
echo "$prefix"
