#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Soak run of the command line: `vrxctl --sim usb capture -n 100000 --format csv` for SECONDS
# (default 600), its resident memory sampled every INTERVAL seconds (default 10). Written files
# are removed as the run goes (the newest few stay), so the disk does not fill; at the end the
# run is interrupted with SIGINT, which must end it after a whole record with exit status 0.
#   bench/soak_vrxctl.sh [SECONDS] [INTERVAL]     (run from the build folder's parent or set VRXCTL)
set -euo pipefail
seconds=${1:-600}
interval=${2:-10}
vrxctl=${VRXCTL:-build/vrxctl}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

"$vrxctl" --sim usb capture -n 100000 --format csv -o "$out/soak.csv" 2>"$out/stderr" &
pid=$!
start=$(date +%s)
first="" max=0 last=0
echo "elapsed_s records rss_kB"
while kill -0 "$pid" 2>/dev/null; do
    sleep "$interval"
    now=$(date +%s)
    rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status" 2>/dev/null || echo 0)
    [ -z "$rss" ] && break
    newest=$(ls "$out" | grep '^soak' | sort -V | tail -1)
    echo "$((now - start)) ${newest:4:-4} $rss"
    [ -z "$first" ] && first=$rss
    [ "$rss" -gt "$max" ] && max=$rss
    last=$rss
    # Keep the newest five files.
    ls "$out" | grep '^soak' | sort -V | head -n -5 | sed "s|^|$out/|" | xargs -r rm -f
    if [ $((now - start)) -ge "$seconds" ]; then
        kill -INT "$pid"
        break
    fi
done
set +e
wait "$pid"
rc=$?
set -e
echo "exit status $rc; resident memory: first ${first} kB, last ${last} kB, max ${max} kB"
tail -1 "$out/stderr"
# Every file left is whole: a header and one row a sample of the 2K record.
for f in "$out"/soak*; do
    [ "$(wc -l <"$f")" -eq 2049 ] || { echo "partial file: $f"; exit 1; }
done
[ "$rc" -eq 0 ]
