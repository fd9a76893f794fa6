# lab_server.sh, sourced: lab_server_start FOLDER PASSWORD starts a PostgreSQL 15 cluster of
# the test's own in FOLDER (as nobody when root: the server refuses root), listening on
# 127.0.0.1 on a free port, which it leaves in $lab_port; the superuser postgres logs in
# by TCP with PASSWORD. lab_server_stop stops it. lab_sql SQL runs SQL as the superuser.
lab_bin=/usr/lib/postgresql/15/bin
lab_as_owner() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u nobody -- "$@"; else "$@"; fi
}
lab_server_start() {
  lab_folder=$1
  mkdir -p "$lab_folder"
  printf '%s\n' "$2" >"$lab_folder/password"
  [ "$(id -u)" -ne 0 ] || chown -R nobody:nogroup "$lab_folder"
  lab_port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  lab_as_owner "$lab_bin/initdb" --pgdata "$lab_folder/data" --username postgres --pwfile "$lab_folder/password" \
    --auth-local=trust --auth-host=scram-sha-256 --encoding=UTF8 --locale=C.UTF-8 --no-sync >/dev/null
  lab_as_owner "$lab_bin/pg_ctl" --pgdata "$lab_folder/data" --log "$lab_folder/log" --wait \
    -o "-c listen_addresses=127.0.0.1 -p $lab_port -k $lab_folder -c fsync=off" start >/dev/null
}
lab_server_stop() {
  [ -z "${lab_folder:-}" ] || lab_as_owner "$lab_bin/pg_ctl" --pgdata "$lab_folder/data" --mode=fast --wait stop \
    >/dev/null 2>&1 || true
  [ -z "${lab_folder:-}" ] || rm -rf "$lab_folder"
}
lab_sql() {
  lab_as_owner psql --no-psqlrc -v ON_ERROR_STOP=1 -At -h "$lab_folder" -p "$lab_port" -U postgres -d postgres -c "$1"
}
