#!/bin/sh
# monitor_run against a printer simulator started on its own: the job reaches that printer at
# the address given with --printer, and the printer lists the job's PJL lines when it stops.
#   monitor_run_external_printer.sh PRINTER_SIM MONITOR_RUN BIN_DIR
set -eu
sim=$1 run=$2 bin=$3
out=$(mktemp)
trap 'rm -f "$out"' EXIT
"$sim" --idle-ms 1500 >"$out" 2>&1 &
port=
for _ in $(seq 100); do
  port=$(sed -n 's/^listening on 127\.0\.0\.1://p' "$out")
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || { echo "the printer simulator did not start"; cat "$out"; exit 1; }
"$run" --printer "127.0.0.1:$port" --bin "$bin"
wait
echo "the printer simulator's own report:"
cat "$out"
grep -q '@PJL JOB NAME="sample"' "$out" || { echo "failed: the job did not reach the printer"; exit 1; }
