#!/usr/bin/env bash
# The Debian package, end to end: builds it from a release build (default build/release),
# checks it with lintian (errors and warnings fail, notes are listed), installs it with dpkg -i,
# starts the installed Tarvelo from a fresh home folder on a virtual display, chooses
# "Справка" and checks that the installed HELP.doc is what opens, ends the program with
# SIGTERM, and removes the package, checking that nothing of it is left. A protocol
# saved by the installed program goes to the user's documents.
# Prints the package size, the install time and the installed program's start time.
# Needs root or password-less sudo (it installs into this machine); skips without them.
set -euo pipefail
cd "$(dirname "$0")/../.."

build=${1:-build/release}
out=build/package-test
package=tarvelo
startup_limit_s=30
help_wait_s=10
end_wait_s=10

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  if ! sudo -n true 2>/dev/null; then
    echo "package test skipped: installing a package needs root or password-less sudo"
    exit 0
  fi
  sudo_cmd=(sudo -n)
fi
if dpkg -s "$package" >/dev/null 2>&1; then
  echo "package test: $package is already installed on this machine; remove it first" >&2
  exit 1
fi

scripts/install-deps.sh lintian xvfb xdotool

now_ms() { echo $(($(date +%s%N) / 1000000)); }
seconds() { printf '%d.%03d s' $(($1 / 1000)) $(($1 % 1000)); }
fail() {
  echo "package test FAILED: $*" >&2
  exit 1
}

cmake --build "$build"
rm -rf "$out"
cpack --config "$build/CPackConfig.cmake" -B "$out" >/dev/null
deb=$(ls "$out"/"$package"_*.deb)
echo "package: $deb, $(stat -c %s "$deb") bytes"

echo "lintian:"
lintian_report=$(lintian --tag-display-limit 0 "$deb" || true)
echo "${lintian_report:-  (nothing to report)}"
if grep -q '^[EW]:' <<<"$lintian_report"; then fail "lintian reports errors or warnings"; fi

work=$(mktemp -d)
xvfb_pid=
program_pid=
cleanup() {
  if [ -n "$program_pid" ]; then kill "$program_pid" 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  if dpkg -s "$package" >/dev/null 2>&1; then "${sudo_cmd[@]}" dpkg -r "$package" >/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

started=$(now_ms)
"${sudo_cmd[@]}" dpkg -i "$deb" >/dev/null
echo "install (dpkg -i): $(seconds $(($(now_ms) - started)))"

installed=(
  /usr/bin/Tarvelo
  /usr/bin/tarvelo-read
  /usr/share/tarvelo/HELP.doc
  /usr/share/tarvelo/splash.jpg
  /usr/share/applications/tarvelo.desktop
  /usr/share/icons/hicolor/16x16/apps/tarvelo.png
  /usr/share/icons/hicolor/48x48/apps/tarvelo.png
  /usr/share/doc/tarvelo/copyright
  /usr/share/man/man1/Tarvelo.1.gz
  /usr/share/man/man1/tarvelo-read.1.gz
)
for file in "${installed[@]}"; do [ -f "$file" ] || fail "$file is not installed"; done
for program in /usr/bin/Tarvelo /usr/bin/tarvelo-read; do
  ! ldd "$program" | grep 'not found' || fail "$program lacks a library the package does not depend on"
done

# A fresh user: own home and configuration, started from the home folder as a menu
# does; a stand-in document opener records what the program asks to open.
home="$work/home"
opener="$work/bin"
mkdir -p "$home" "$opener" "$work/runtime"
chmod 700 "$work/runtime"
cat >"$opener/xdg-open" <<OPENER
#!/bin/sh
echo "\$1" >"$work/opened"
OPENER
chmod +x "$opener/xdg-open"

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "the virtual display did not start: $(cat "$work/xvfb.log")"
display=":$(cat "$work/display")"

run_env=(env -i HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$work/runtime"
  DISPLAY="$display" PATH="$opener:/usr/bin:/bin" LANG=ru_RU.UTF-8 QT_QPA_PLATFORM=xcb)
started=$(now_ms)
(cd "$home" && exec "${run_env[@]}" /usr/bin/Tarvelo) >"$work/program.log" 2>&1 &
program_pid=$!
# The splash is the program's first window; the main window's title starts with the name.
DISPLAY=$display timeout "$startup_limit_s" xdotool search --sync --onlyvisible --class '^Tarvelo$' >/dev/null ||
  fail "no splash window within $startup_limit_s s: $(cat "$work/program.log")"
splash_ms=$(($(now_ms) - started))
window=$(DISPLAY=$display timeout "$startup_limit_s" xdotool search --sync --onlyvisible --name '^Tarvelo' | head -1) ||
  fail "no main window within $startup_limit_s s: $(cat "$work/program.log")"
window_ms=$(($(now_ms) - started))
echo "installed start: splash after $(seconds "$splash_ms"), main window after $(seconds "$window_ms") (3 s of splash by design)"

# "Справка" is the last item of the menu bar: Alt selects the first, Left wraps round to it.
DISPLAY=$display xdotool mousemove --window "$window" 300 200 sleep 0.2 key alt sleep 0.2 key Left sleep 0.2 key Return
for _ in $(seq $((help_wait_s * 10))); do [ -s "$work/opened" ] && break; sleep 0.1; done
opened=$(cat "$work/opened" 2>/dev/null || true)
[ "$opened" = "file:///usr/share/tarvelo/HELP.doc" ] ||
  fail "\"Справка\" opened '${opened:-nothing}' instead of the installed HELP.doc"
echo "\"Справка\" from the home folder opens $opened"

# "Сохранить в файл" (the button's middle, below the menu bar): an installed program
# keeps its protocols in the user's documents.
DISPLAY=$display xdotool mousemove --window "$window" 586 125 sleep 0.2 click 1
protocols="$home/Documents/Tarvelo/протоколы"
for _ in $(seq $((help_wait_s * 10))); do compgen -G "$protocols/*.xlsx" >/dev/null && break; sleep 0.1; done
compgen -G "$protocols/*.xlsx" >/dev/null || fail "no protocol saved in $protocols"
echo "\"Сохранить в файл\" saves into $protocols"

started=$(now_ms)
kill -TERM "$program_pid"
for _ in $(seq $((end_wait_s * 10))); do kill -0 "$program_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$program_pid" 2>/dev/null && fail "the program still runs $end_wait_s s after SIGTERM"
status=0
wait "$program_pid" || status=$?
program_pid=
[ "$status" -eq 0 ] || fail "the program ended with status $status on SIGTERM: $(cat "$work/program.log")"
echo "ended on SIGTERM after $(seconds $(($(now_ms) - started)))"

"${sudo_cmd[@]}" dpkg -r "$package" >/dev/null
for file in "${installed[@]}" /usr/share/tarvelo /usr/share/doc/tarvelo; do
  [ ! -e "$file" ] || fail "$file is left after dpkg -r"
done
dpkg -s "$package" >/dev/null 2>&1 && fail "dpkg still lists $package after dpkg -r"
echo "package test passed"
