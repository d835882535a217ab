#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Soak run on the simulated instrument (USB link, real clock) for SECONDS (default 3600): three
# processes side by side, each acquiring the whole time,
#   - the program at 2K and the program at 128K, each with every tool window open (measure box,
#     FFT, XY, state listing, decoders and annotations: `--windows all`) and a uart and an i2c
#     decoder stack on the simulator's bus lines (D0 and D2/D3),
#   - `vrxctl capture --duration SECONDS`, writing a CSV file a record (the newest few are kept).
# Every INTERVAL seconds (default 60) a row gives each process's resident memory (kB) and the
# records it has taken; at the end the exit statuses, the error lines and a verdict: memory is
# flat when no process grew by more than BOUND_KB (default 2048) over the last ten minutes of the
# run (the last half of a shorter run).
#   bench/soak.sh [SECONDS] [INTERVAL]    (from the build folder's parent, or set PROGRAM, VRXCTL;
#                                          KEEP=DIR keeps the processes' own output there;
#                                          STACKS=none runs the program without decoder stacks)
set -uo pipefail
seconds=${1:-3600}
interval=${2:-60}
bound=${BOUND_KB:-2048}
build=${BUILD:-build}
program=$(realpath "${PROGRAM:-$build/vrx73604}")
vrxctl=$(realpath "${VRXCTL:-$build/vrxctl}")
bitstream=$(realpath "${BITSTREAM:-$(dirname "$vrxctl")/73604.bit}")
out=${KEEP:-$(mktemp -d)}
mkdir -p "$out"
[ -n "${KEEP:-}" ] || trap 'rm -rf "$out"' EXIT
# Slow enough for the serial lines to show whole bytes in a 2K record at 10MSa/S.
export HWLINK_SIM_SIGNALS='A1=square,10000,0.25,0;A2=sine,5000,0.35,0;D=count,100000;D0=uart,115200,soak run;D2:D3=i2c,100000,0x50,A55A'
export QT_QPA_PLATFORM=offscreen
unset HWLINK_SIM_CLOCK HWLINK_SIM_FAULT
rate_index=11 # "10MSa/S" in the settings file's "Rate" record

# The program: a first short run writes the default settings file in its own folder; the rate
# is set there and the decoder stacks beside it, then the long run reads both.
start_program() { # depth
    local dir="$out/program-$1"
    mkdir -p "$dir"
    (cd "$dir" && "$program" --sim usb --screenshots shots >/dev/null 2>&1) || {
        echo "the program did not start at $1" >&2
        exit 1
    }
    sed -i -e "s/^\"Rate\",[0-9]*/\"Rate\",$rate_index/" \
        -e 's/^"AutoLoadsetting",#FALSE#/"AutoLoadsetting",#TRUE#/' "$dir/Vrx73604v4.ini"
    [ "${STACKS:-}" = none ] ||
        printf 'uart:baudrate=115200:rx=D0\r\ni2c:scl=D2:sda=D3\r\n' >"$dir/Vrx73604v4.ini.decoders"
    (cd "$dir" && exec nice -n 5 "$program" --sim usb --depth "$1" --windows all \
        --measure-fps "$seconds" >"$dir/stdout" 2>"$dir/stderr") &
}
start_program 2K
pid_2k=$!
start_program 128K
pid_128k=$!
mkdir -p "$out/vrxctl"
nice -n 5 "$vrxctl" --sim usb --bitstream "$bitstream" --rate 10MSa/S capture \
    --duration "$seconds" --format csv -o "$out/vrxctl/cap.csv" 2>"$out/vrxctl.stderr" &
pid_ctl=$!

rss() { awk '/^VmRSS:/ {print $2}' "/proc/$1/status" 2>/dev/null || true; }
# Records the program has drawn, from its last progress line ("60 s: 1234 records, ...").
program_records() { awk '/ s: [0-9]+ records/ {n = $3} END {print n + 0}' "$1/stdout"; }
newest_capture() { find "$out/vrxctl" -name 'cap*.csv' -printf '%f\n' | sort -V | tail -1; }
# Error lines: everything on stderr but the offscreen platform's notes and vrxctl's progress.
noise='does not support\|XDG_RUNTIME_DIR\|^vrxctl: [0-9]* records$\|^$'
errors() { grep -cv "$noise" "$1" 2>/dev/null || true; }

printf '%8s | %12s %9s | %12s %9s | %12s %9s | %6s\n' elapsed_s "2K rss_kB" records \
    "128K rss_kB" records "vrxctl rss_kB" records errors
start=$(date +%s)
declare -a t_col r2k_col r128k_col rctl_col
while kill -0 "$pid_2k" 2>/dev/null || kill -0 "$pid_128k" 2>/dev/null ||
    kill -0 "$pid_ctl" 2>/dev/null; do
    sleep "$interval"
    now=$(($(date +%s) - start))
    newest=$(newest_capture)
    captured=${newest#cap}
    captured=${captured%.csv}
    a=$(rss "$pid_2k") b=$(rss "$pid_128k") c=$(rss "$pid_ctl")
    [ -z "$a$b$c" ] && break
    errs=$(($(errors "$out/program-2K/stderr") + $(errors "$out/program-128K/stderr") +
        $(errors "$out/vrxctl.stderr")))
    printf '%8d | %12s %9s | %12s %9s | %12s %9s | %6d\n' "$now" "${a:--}" \
        "$(program_records "$out/program-2K")" "${b:--}" "$(program_records "$out/program-128K")" \
        "${c:--}" "$((10#${captured:-0}))" "$errs"
    t_col+=("$now") r2k_col+=("${a:-}") r128k_col+=("${b:-}") rctl_col+=("${c:-}")
    # Keep the newest five captures.
    find "$out/vrxctl" -name 'cap*.csv' -printf '%f\n' | sort -V | head -n -5 |
        sed "s|^|$out/vrxctl/|" | xargs -r rm -f
done
wait "$pid_2k"
rc_2k=$?
wait "$pid_128k"
rc_128k=$?
wait "$pid_ctl"
rc_ctl=$?

echo "program 2K:   exit $rc_2k; $(tail -1 "$out/program-2K/stdout")"
echo "program 128K: exit $rc_128k; $(tail -1 "$out/program-128K/stdout")"
echo "vrxctl:       exit $rc_ctl; $(tail -1 "$out/vrxctl.stderr")"
for f in "$out/program-2K/stderr" "$out/program-128K/stderr" "$out/vrxctl.stderr"; do
    grep -v "$noise" "$f" | sed "s|^|error ($f): |" | head -5
done
# Every capture left is whole: a header and one row a sample of the 2K record.
partial=0
for f in "$out"/vrxctl/cap*.csv; do
    [ -e "$f" ] && [ "$(wc -l <"$f")" -ne 2049 ] && {
        echo "partial file: $f"
        partial=1
    }
done

# Growth over the window: last sample minus the sample WINDOW seconds before it.
n=${#t_col[@]}
window=600
[ "$n" -gt 0 ] && [ "${t_col[$((n - 1))]}" -lt $((2 * window)) ] && window=$((t_col[n - 1] / 2))
verdict=flat
for name in 2K 128K vrxctl; do
    case $name in
    2K) col=("${r2k_col[@]}") ;;
    128K) col=("${r128k_col[@]}") ;;
    vrxctl) col=("${rctl_col[@]}") ;;
    esac
    last="" from=""
    for ((i = n - 1; i >= 0; i--)); do
        [ -z "${col[$i]}" ] && continue
        [ -z "$last" ] && last=${col[$i]} tlast=${t_col[$i]}
        [ $((tlast - t_col[i])) -le "$window" ] && from=${col[$i]}
    done
    if [ -z "$last" ]; then
        echo "$name: no sample"
        verdict=failed
        continue
    fi
    growth=$((last - from))
    echo "$name: resident ${last} kB, growth over the last ${window} s: ${growth} kB"
    [ "$growth" -ge "$bound" ] && verdict=growing
done
[ "$rc_2k$rc_128k$rc_ctl$partial" = "0000" ] || verdict=failed
echo "verdict: $verdict (bound ${bound} kB over the last ${window} s; every exit status 0)"
[ "$verdict" = flat ]
