#!/usr/bin/env bash
# installer_test.sh SETUP_EXE: the Windows installer under Wine, in a fresh prefix of its
# own. Installs silently (/S), then runs the installed program in hidden mode from
# settings written to the registry (COM7, 5 lines, a Cyrillic log name) against a
# simulated BM balance and reads the log back here; then starts it with the window shown
# and weighing hands-free on COM7 (BM), COM8 (TSK) and COM9 (B), each with the protocol
# unknown, then remembered, and finds its window by the title, which must say that the
# balance is read; installs into a folder of its own and uninstalls, which must leave a
# protocol saved there. Between the two, the installed tarvelo-journal sets up a lab server
# (PostgreSQL on this side, on 127.0.0.1) and a hands-free run on COM10 sends its weighings
# there, the password from the user's pgpass.conf. Prints the installer's size and the
# times. Needs the Windows leg's environment (LOCPATH, TARVELO_WINE_SIM,
# TARVELO_WINE_PRELOAD, DISPLAY).
set -euo pipefail
setup=$1
. "$(dirname "$0")/lab_server.sh"
work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset WINEPATH QT_PLUGIN_PATH
sim_pids=()
cleanup() {
  wineserver -k 2>/dev/null || true
  [ ${#sim_pids[@]} -eq 0 ] || kill "${sim_pids[@]}" 2>/dev/null || true
  lab_server_stop
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "installer test: $*" >&2
  exit 1
}
now() { date +%s.%N; }
seconds() { echo "$1 $2" | LC_ALL=C awk '{ printf "%.2f", $2 - $1 }'; }

wineboot >/dev/null 2>&1
start=$(now)
wine "$setup" /S
wineserver -w
installed=$(now)
program="$WINEPREFIX/drive_c/Program Files/Tarvelo"
for file in Tarvelo.exe tarvelo-read.exe uninstall.exe HELP.doc platforms/qwindows.dll; do
  [ -f "$program/$file" ] || fail "$file is not installed"
done
[ -f "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Tarvelo.lnk" ] ||
  fail "no Start menu entry"
wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarvelo' /v UninstallString >/dev/null ||
  fail "no uninstaller among the installed programs"

# COM7 BM, COM8 TSK, COM9 B.
sim_pids=()
for entry in 7:bm 8:tsk 9:b; do
  com=${entry%%:*}
  "$TARVELO_WINE_SIM" --protocol "${entry#*:}" >"$work/com$com.path" 2>"$work/sim$com.err" &
  sim_pids+=($!)
  for _ in $(seq 50); do [ -s "$work/com$com.path" ] && break; sleep 0.1; done
  ln -sfn "$(head -n 1 "$work/com$com.path")" "$WINEPREFIX/dosdevices/com$com"
done

key='HKCU\Software\Korvane\Tarvelo\Tarvelo.exe\Version_U1.0.0'
setting() { wine reg add "$key" /v "$1" /t "$2" /d "$3" /f >/dev/null; }
mkdir -p "$work/логи"
setting HideProfile REG_BINARY 01
setting COM REG_DWORD 6
setting bNumOfWeighings REG_BINARY 01
setting NumberWeightTime REG_SZ 5
setting SpeedWorkFileName REG_SZ "Z:${work//\//\\}\\логи\\журнал.txt"
setting eUnit REG_SZ "Мышь"

export LD_PRELOAD=$TARVELO_WINE_PRELOAD
run_start=$(now)
timeout 120 wine 'C:\Program Files\Tarvelo\Tarvelo.exe' || fail "the hidden run ended with status $?"
run_end=$(now)
log="$work/логи/журнал.txt"
[ -f "$log" ] || fail "no log under its Cyrillic name: $(ls "$work/логи")"
lines=$(iconv -f cp1251 -t utf-8 "$log" | tr -d '\r')
[ "$(echo "$lines" | wc -l)" -eq 5 ] || fail "the log has not 5 lines: $lines"
echo "$lines" | awk -F'\t' '$1 != NR || $3 !~ /^2[0-9],[0-9][0-9]$/ { bad = 1 } END { exit bad }' ||
  fail "the log's lines are not the simulated mouse's weights: $lines"

setting HideProfile REG_BINARY 00
# shown_run COM: starts the installed program with its window on COM, weighing
# hands-free; prints the seconds from its search for the balance to the first reading in
# the window's title, and leaves the title in $title.
shown_run() {
  setting COM REG_DWORD $(($1 - 1))
  timeout 60 wine 'C:\Program Files\Tarvelo\Tarvelo.exe' --show --hands-free >/dev/null 2>&1 &
  local pid=$! searching=
  title=
  for _ in $(seq 600); do
    title=$(xdotool search --name '^Tarvelo' getwindowname %@ 2>/dev/null | head -n 1 || true)
    case $title in
    *"Поиск весов"*) [ -n "$searching" ] || searching=$(now) ;;
    *"Ожидание груза"* | *"Снимите груз"* | *"Прием данных"*) break ;;
    esac
    sleep 0.05
  done
  local read_at
  read_at=$(now)
  kill "$pid" 2>/dev/null || true
  wineserver -w
  case $title in
  *"Ожидание груза"* | *"Снимите груз"* | *"Прием данных"*) ;;
  *) fail "the window on COM$1 does not say the balance is read: «$title»" ;;
  esac
  seconds "${searching:-$read_at}" "$read_at"
}
first_readings=
for entry in 7:BM 8:TSK 9:B; do
  com=${entry%%:*}
  wine reg delete "$key" /v "ProtocolCOM$com" /f >/dev/null 2>&1 || true
  fresh=$(shown_run "$com")
  remembered=$(shown_run "$com")
  first_readings+="  ${entry#*:} on COM$com: $fresh s fresh, $remembered s remembered"$'\n'
done

# The lab's server: set up by the installed tarvelo-journal, then reached by a hands-free
# run weighing three mice on COM10, as station "Виварий", whose login the server binds to it.
password=весы-1
lab_server_start "$(mktemp -d)" "$password"
appdata=$(winepath -u "$(wine cmd /c 'echo %APPDATA%' | tr -d '\r')")
mkdir -p "$appdata/postgresql"
printf '127.0.0.1:%s:*:*:%s\r\n' "$lab_port" "$password" >"$appdata/postgresql/pgpass.conf"
server="host=127.0.0.1 port=$lab_port dbname=postgres"
wine 'C:\Program Files\Tarvelo\tarvelo-journal.exe' server init --server "$server user=postgres" >/dev/null ||
  fail "tarvelo-journal server init ended with status $?"
lab_sql "CREATE ROLE station LOGIN PASSWORD '$password'" >/dev/null
wine 'C:\Program Files\Tarvelo\tarvelo-journal.exe' server add-station "Виварий" --login station \
  --server "$server user=postgres" >/dev/null || fail "tarvelo-journal server add-station ended with status $?"
mice="2:0:0.05"
for mass in 24 25 26; do mice+=",3.5:$mass:0.3,2:0:0.05"; done
"$TARVELO_WINE_SIM" --protocol bm --profile "$mice,60:0:0.05" --unstable-every 0 --unstable-step 0 \
  >"$work/com10.path" 2>"$work/sim10.err" &
sim_pids+=($!)
for _ in $(seq 50); do [ -s "$work/com10.path" ] && break; sleep 0.1; done
ln -sfn "$(head -n 1 "$work/com10.path")" "$WINEPREFIX/dosdevices/com10"
setting COM REG_DWORD 9
setting WPeriod REG_DWORD 1
setting LabServer REG_SZ "$server user=station"
sent() { lab_sql "SELECT count(*) FROM tarvelo.lab_records WHERE station = 'Виварий' AND kind = 'result'"; }
lab_start=$(now)
timeout 120 wine 'C:\Program Files\Tarvelo\Tarvelo.exe' --show --hands-free >/dev/null 2>&1 &
lab_pid=$!
for _ in $(seq 900); do [ "$(sent)" -ge 3 ] && break; sleep 0.1; done
lab_end=$(now)
kill "$lab_pid" 2>/dev/null || true
wineserver -w
[ "$(sent)" -ge 3 ] || fail "the hands-free run's weighings did not reach the lab server: $(sent) of 3"
unset LD_PRELOAD

# Installed into a folder of its own, where the program keeps its protocols: uninstalling
# takes the program and leaves the protocols, and the folder with them.
wine "$setup" /S '/D=C:\Tarvelo-lab'
wineserver -w
own="$WINEPREFIX/drive_c/Tarvelo-lab"
[ -f "$own/Tarvelo.exe" ] || fail "not installed into the folder given with /D"
mkdir -p "$own/протоколы"
echo protocol >"$own/протоколы/П-1.xlsx"
wine "$own/uninstall.exe" /S
wineserver -w
[ -f "$own/протоколы/П-1.xlsx" ] || fail "the uninstaller removed a protocol saved in the install folder"
[ ! -e "$own/Tarvelo.exe" ] && [ ! -e "$own/uninstall.exe" ] && [ ! -e "$own/platforms" ] ||
  fail "the uninstaller left what it installed: $(ls "$own")"

echo "installer: $(stat -c %s "$setup" | awk '{ printf "%.1f MB", $1 / 1e6 }'), installed in $(seconds "$start" "$installed") s"
echo "installed program, hidden: 5 lines in $(seconds "$run_start" "$run_end") s from the start"
echo "first reading in the window, from the start of the search:"
printf '%s' "$first_readings"
echo "  log: $(echo "$lines" | head -n 1)"
echo "lab server: 3 mice weighed and sent in $(seconds "$lab_start" "$lab_end") s from the start"
