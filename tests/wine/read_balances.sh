#!/bin/sh
# tarvelo-read.exe under Wine finds each simulated balance of balances.sh and prints two
# readings in the log format and the balance's identity.
set -eu
reader=$1
tab=$(printf '\t')
for com in 7 8 9; do
  out=$("$(dirname "$0")/run.sh" "$reader" --com "$com" --count 2 --identity | tr -d '\r')
  readings=$(printf '%s\n' "$out" |
    grep -c -E "^[12]$tab[0-9]{2}:[0-9]{2}:[0-9]{2}$tab-?[0-9]+(,[0-9]+)?$tab[^$tab]*$tab(стаб|нестаб)\.\$" || true)
  identity=$(printf '%s\n' "$out" | grep -c '^Весы: .* Заводской № ' || true)
  if [ "$readings" -ne 2 ] || [ "$identity" -ne 1 ]; then
    printf 'COM%s gave:\n%s\n' "$com" "$out" >&2
    exit 1
  fi
done
