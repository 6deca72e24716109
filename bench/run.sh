#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Whole-run benchmark of quillon-convert, as ratios against floors measured in the same run:
#
#   conversion / write floor  quillon-convert on N = 2048 pixels x K = 2000 scans, in every
#                             column layout and both output modes, against writing exactly the
#                             same bytes to the same files from memory (quillon_write_floor);
#                             beside it, "least": the ratio that a converter would reach if it
#                             cost nothing but reading its input (read floor) and writing;
#   load / read floor         quillon-convert --dry-run (load only) of a file of about 200 MB,
#                             against reading that file into memory (quillon_read_floor);
#   peak memory               of quillon-convert --dry-run on that file and of a one-file
#                             conversion of it, and of a one-file conversion of 100,000 scans
#                             with N = 0, as ratios to file size; of every export of that file
#                             (limit: file size + 32 MB);
#   export / floor            the CSV export (columns layout) against writing its bytes from
#                             memory, and the HDF5 export (uncompressed) against writing a file of
#                             its size: in-process (quillon_bench_exports, the export alone, from
#                             a loaded file) and as whole runs of quillon-convert (load included,
#                             against quillon_write_floor).
#
# Each time is the median of QUILLON_BENCH_REPS runs (default 7), from page cache: before each
# timed run its input is read once more (the system may have let cached pages go since). Each
# conversion and each write floor starts with its outputs deleted and everything written so
# far synced to disk, so that both only create and write, and no run pays for the write-back
# or the deletion of another's files. Inputs are generated into bench/data/ (not committed) by
# tools/quillon_make_sample; QUILLON_BENCH_DATA=DIR puts them, and the outputs, in DIR instead:
# a memory file system (/dev/shm) takes the disk's own variations out of the floors.
#
# QUILLON_BENCH_CONVERT=/path/to/quillon-convert measures another build of the converter (an
# older commit, say) against the same floors.
#
# QUILLON_BENCH_LARGE=1 adds a file larger than many machines' memory: about 4 GB (N = 2048,
# 490,000 scans), generated for the run (which takes minutes) and removed afterwards. It
# measures the load (quillon-convert --dry-run), the trace of three wavelengths over every scan
# (--trace) against reading the file once, what the window needs to show the file (load
# and last scan, quillon_open_last_scan, from page cache and cold), and conversions against
# their write floor, each with its peak memory (median of QUILLON_BENCH_LARGE_REPS runs,
# default 3; QUILLON_BENCH_LARGE_SCANS changes the scan count for a quick try): every scan into
# one file, counts only (about 10 GB, which the floor writes from a buffer of the same sizes,
# quillon_write_floor --same-size), and in multiple files, with pixel and wavelength columns,
# the first and the last 10,000 scans (-s): creating and deleting 490,000 files takes this
# machine's file system most of an hour per run, and tells nothing more about the converter.
# Last, the windows' scan map of the file (quillon_map_bench): its first picture and its
# completion against reading the file once.
# QUILLON_BENCH_BEFORE=<commit> builds that commit's quillon-convert in a scratch worktree and
# measures it beside this build on the same file.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
QUILLON_PACKAGES+=(time)
quillon_install_deps >&2

reps=${QUILLON_BENCH_REPS:-7}
build=build-bench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUILLON_BUILD_TESTS=OFF \
    -DQUILLON_BUILD_GUI=OFF >/dev/null
cmake --build "$build" -j2 --target quillon-convert quillon_make_sample quillon_write_floor \
    quillon_read_floor quillon_bench_exports quillon_open_last_scan quillon_map_bench >/dev/null
convert=${QUILLON_BENCH_CONVERT:-$build/src/cli/quillon-convert}
sample=$build/tools/quillon_make_sample
write_floor=$build/bench/quillon_write_floor
read_floor=$build/bench/quillon_read_floor
bench_exports=$build/bench/quillon_bench_exports

data=${QUILLON_BENCH_DATA:-bench/data}
mkdir -p "$data"
[ -f "$data/conv.sdf" ] || "$sample" "$data/conv.sdf" 2048 2000
[ -f "$data/big.sdf" ] || "$sample" "$data/big.sdf" 2048 23840
[ -f "$data/many.sdf" ] || "$sample" "$data/many.sdf" 0 100000

# Wall time of a command in seconds, its output discarded.
seconds() {
    local start end
    start=$EPOCHREALTIME
    "$@" >/dev/null
    end=$EPOCHREALTIME
    echo "$end - $start" | bc -l
}
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
ratio() { printf '%.2f' "$(echo "$1 / $2" | bc -l)"; }

echo "QUILLON whole-run benchmark of $convert"
echo "$(nproc) cores, $(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo), $(uname -sr), median of $reps runs"
echo

# Warm the page cache.
cat "$data"/*.sdf >/dev/null

# What reading the input alone costs, for the "least" column.
read_conv_times=()
for ((i = 0; i < reps; i++)); do
    cat "$data/conv.sdf" >/dev/null
    read_conv_times+=("$(seconds "$read_floor" "$data/conv.sdf")")
done
read_conv=$(printf '%s\n' "${read_conv_times[@]}" | median)

[ -d "$data/folder" ] || {
    mkdir -p "$data/folder"
    for ((i = 1; i <= 500; i++)); do "$sample" "$data/folder/f$i.sdf" 2048 20; done
}

# The export goals, as whole runs of quillon-convert with one thread (--jobs 1) and with every
# core (--jobs $(nproc)), each against its floor measured in the same loop: CSV absorbance
# against CSV transmittance (alike cells: the logarithm is the difference), CSV transmittance
# and CSV counts against writing their bytes from memory, HDF5 against writing a file of its
# size; and a folder of 500 files (N = 2048, K = 20, text and CSV) on every core against one
# job. QUILLON_BENCH_GOALS_ONLY=1 measures these alone.
goals() {
    local all jobs i c label
    all=$(nproc)
    local -A t=()
    local names=(counts transmittance absorbance hdf5)
    for ((i = 0; i < reps; i++)); do
        for jobs in 1 "$all"; do
            for c in "${names[@]}"; do
                if [ "$c" = hdf5 ]; then
                    args=(--format hdf5) ext=h5
                else
                    args=(--format csv --quantity "$c") ext=csv
                fi
                rm -f "$data/conv.$ext"
                cat "$data/conv.sdf" >/dev/null
                sync
                t[$c/$jobs]+="$(seconds "$convert" -q --jobs "$jobs" "${args[@]}" "$data/conv.sdf") "
                t[$c/$jobs/floor]+="$("$write_floor" "$data/conv.$ext") "
                rm -f "$data/conv.$ext"
            done
            # Each run writes into a folder of its own, and the folders are removed only after
            # the loop: ext4 (here) gives a new file no inode freed in the last minute, and
            # steps over every such inode at each creation, so that 12,000 outputs created
            # soon after 12,000 were deleted cost several times their time (the kernel's
            # recently_deleted took 28 % of such a run), more for each run than the last.
            cat "$data"/folder/*.sdf >/dev/null
            sync
            t[folder/$jobs]+="$(seconds "$convert" -q --jobs "$jobs" --format text --format csv \
                -o "$data/folder-out-$i-$jobs" "$data/folder") "
        done
    done
    rm -rf "$data"/folder-out-*
    med() { printf '%s\n' ${t[$1]} | median; }
    printf '%-48s %6s %9s %9s %9s %9s %9s\n' "export goals, whole runs, N = 2048, K = 2000" \
        "goal" "1 job" "$all jobs" "1 job s" "$all jobs s" "floor s"
    # "name/floor-x" stands for the floor of name's run with that many jobs.
    key() { [ "${1%/floor-x}" != "$1" ] && echo "${1%/floor-x}/$2/floor" || echo "$1/$2"; }
    row() { # label, goal, numerator key, denominator key (jobs appended)
        printf '%-48s %6s %9s %9s %9.3f %9.3f %9.3f\n' "$1" "$2" \
            "$(ratio "$(med "$3/1")" "$(med "$(key "$4" 1)")")" \
            "$(ratio "$(med "$3/$all")" "$(med "$(key "$4" "$all")")")" \
            "$(med "$3/1")" "$(med "$3/$all")" "$(med "$(key "$4" "$all")")"
    }
    row "CSV absorbance / CSV transmittance" "1.1" absorbance transmittance
    row "CSV transmittance / writing its bytes" "5" transmittance transmittance/floor-x
    row "CSV counts / writing its bytes" "3.5" counts counts/floor-x
    row "HDF5 / writing a file of its size" "4" hdf5 hdf5/floor-x
    printf '%-48s %6s %9s %9s %9.3f %9.3f\n' "folder of 500 files (K = 20, text and CSV)" "0.65" \
        "1" "$(ratio "$(med "folder/$all")" "$(med folder/1)")" "$(med folder/1)" \
        "$(med "folder/$all")"
}
if [ "${QUILLON_BENCH_GOALS_ONLY:-0}" = 1 ]; then
    goals
    exit 0
fi

printf '%-44s %8s %10s %10s %8s\n' "conversion / write floor" "ratio" "convert s" "floor s" "least"
for mode in multiple one; do
    for layout in "-p -w" "-p" "-w" ""; do
        rm -f "$data"/conv*.txt
        if [ "$mode" = one ]; then
            # shellcheck disable=SC2086
            args=(--one-file --overwrite $layout)
        else
            # shellcheck disable=SC2086
            args=($layout)
        fi
        label="$([ "$mode" = one ] && echo "one file" || echo "multiple files"), layout '${layout:-counts only}'"
        conv_times=()
        floor_times=()
        for ((i = 0; i < reps; i++)); do
            rm -f "$data"/conv*.txt
            cat "$data/conv.sdf" >/dev/null
            sync
            conv_times+=("$(seconds "$convert" -q "${args[@]}" "$data/conv.sdf")")
            if [ "$mode" = one ]; then
                outputs=("$data/conv.txt")
            else
                outputs=("$data"/conv_Var.txt "$data"/conv_Dark.txt "$data"/conv_Ref.txt "$data"/conv_*of2000.txt)
            fi
            floor_times+=("$("$write_floor" "${outputs[@]}")")
        done
        c=$(printf '%s\n' "${conv_times[@]}" | median)
        f=$(printf '%s\n' "${floor_times[@]}" | median)
        printf '%-44s %8s %10.3f %10.3f %8s\n' "$label" "$(ratio "$c" "$f")" "$c" "$f" \
            "$(ratio "($f + $read_conv)" "$f")"
    done
done
rm -f "$data"/conv*.txt

echo
printf '%-44s %8s %10s %10s\n' "load / read floor" "ratio" "load s" "floor s"
load_times=()
read_times=()
for ((i = 0; i < reps; i++)); do
    cat "$data/big.sdf" >/dev/null
    load_times+=("$(seconds "$convert" -q --dry-run "$data/big.sdf")")
    cat "$data/big.sdf" >/dev/null
    read_times+=("$(seconds "$read_floor" "$data/big.sdf")")
done
l=$(printf '%s\n' "${load_times[@]}" | median)
r=$(printf '%s\n' "${read_times[@]}" | median)
printf '%-44s %8s %10.3f %10.3f\n' "$(du -m "$data/big.sdf" | cut -f1) MB, N = 2048" "$(ratio "$l" "$r")" "$l" "$r"

echo
printf '%-44s %8s %10s %10s\n' "peak memory / file size" "ratio" "peak MB" "file MB"
peak_kb() { /usr/bin/time -f '%M' "$@" 2>&1 >/dev/null | tail -n 1; }
big_size=$(stat -c %s "$data/big.sdf")
many_size=$(stat -c %s "$data/many.sdf")
p=$(peak_kb "$convert" -q --dry-run "$data/big.sdf")
printf '%-44s %8s %10.1f %10.1f\n' "load, N = 2048 (limit: 64 MB)" \
    "$(ratio "$p * 1024" "$big_size")" "$(echo "$p / 1024" | bc -l)" "$(echo "$big_size / 1048576" | bc -l)"
rm -f "$data"/big*.txt
p=$(peak_kb "$convert" -q --one-file --overwrite "$data/big.sdf")
printf '%-44s %8s %10.1f %10.1f\n' "one-file conversion, N = 2048 (same limit)" \
    "$(ratio "$p * 1024" "$big_size")" "$(echo "$p / 1024" | bc -l)" "$(echo "$big_size / 1048576" | bc -l)"
rm -f "$data"/big*.txt
rm -f "$data"/many*.txt
p=$(peak_kb "$convert" -q --one-file --overwrite "$data/many.sdf")
printf '%-44s %8s %10.1f %10.1f\n' "one-file conversion, 100,000 scans, N = 0" \
    "$(ratio "$p * 1024" "$many_size")" "$(echo "$p / 1024" | bc -l)" "$(echo "$many_size / 1048576" | bc -l)"
rm -f "$data"/many*.txt

echo
printf '%-44s %8s %10s %10s\n' "export / floor, in-process, N = 2048, K = 2000" "ratio" "export ms" "floor ms"
"$bench_exports" --benchmark_repetitions="$reps" --benchmark_report_aggregates_only=true \
    --benchmark_format=csv "$data/conv.sdf" "$data" 2>/dev/null >"$data/exports.csv"
# The median wall time of a benchmark, in ms.
median_ms() { awk -F, -v name="\"$1/real_time_median\"" '$1 == name { print $3 }' "$data/exports.csv"; }
for pair in "CsvExport/columns CsvFloor" "Hdf5Export Hdf5Floor"; do
    read -r export floor <<<"$pair"
    e=$(median_ms "$export")
    f=$(median_ms "$floor")
    [ -n "$e" ] && [ -n "$f" ] || continue
    printf '%-44s %8s %10.1f %10.1f\n' "$export / $floor" "$(ratio "$e" "$f")" "$e" "$f"
done
for other in CsvExport/rows CsvExport/columns/absorbance Hdf5Export/compressed JsonExport; do
    e=$(median_ms "$other")
    [ -n "$e" ] && printf '%-44s %8s %10.1f\n' "$other (for reference)" "" "$e"
done

echo
printf '%-44s %8s %10s %10s %8s\n' "whole run / write floor, N = 2048, K = 2000" "ratio" "convert s" "floor s" "least"
for format in csv hdf5; do
    extension=$([ "$format" = csv ] && echo csv || echo h5)
    conv_times=()
    floor_times=()
    for ((i = 0; i < reps; i++)); do
        rm -f "$data/conv.$extension"
        cat "$data/conv.sdf" >/dev/null
        sync
        conv_times+=("$(seconds "$convert" -q --format "$format" "$data/conv.sdf")")
        floor_times+=("$("$write_floor" "$data/conv.$extension")")
    done
    c=$(printf '%s\n' "${conv_times[@]}" | median)
    f=$(printf '%s\n' "${floor_times[@]}" | median)
    printf '%-44s %8s %10.3f %10.3f %8s\n' "--format $format" "$(ratio "$c" "$f")" "$c" "$f" \
        "$(ratio "($f + $read_conv)" "$f")"
    rm -f "$data/conv.$extension"
done

echo
printf '%-44s %8s %10s %10s\n' "peak memory of the exports / file size" "ratio" "peak MB" "file MB"
for args in "--format csv" "--format csv --layout rows" "--format csv --quantity absorbance" \
    "--format csv --grid 400:0.1:1000" "--format json" "--format hdf5 --quantity absorbance"; do
    # shellcheck disable=SC2086
    p=$(peak_kb "$convert" -q $args -o "$data/out" "$data/big.sdf")
    over=$(echo "$p / 1024 - $big_size / 1048576" | bc -l)
    printf '%-44s %8s %10.1f %10.1f  (file + %.1f MB)\n' "$args" \
        "$(ratio "$p * 1024" "$big_size")" "$(echo "$p / 1024" | bc -l)" \
        "$(echo "$big_size / 1048576" | bc -l)" "$over"
    rm -rf "$data/out"
done
rm -f "$data/exports.csv"
if [ "${QUILLON_BENCH_LARGE:-0}" != 1 ]; then
    exit 0
fi

large_reps=${QUILLON_BENCH_LARGE_REPS:-3}
huge=$data/huge.sdf
scratch=$(mktemp -d)
cleanup() {
    find "$data" -maxdepth 1 -name 'huge*' -delete
    if [ -d "$scratch/src" ]; then
        git worktree remove --force "$scratch/src"
    fi
    rm -rf "$scratch"
}
trap cleanup EXIT

converters=("$convert")
names=("this build")
if [ -n "${QUILLON_BENCH_BEFORE:-}" ]; then
    git worktree add --detach "$scratch/src" "$QUILLON_BENCH_BEFORE" >/dev/null 2>&1
    cmake -S "$scratch/src" -B "$scratch/build" -DCMAKE_BUILD_TYPE=Release \
        -DQUILLON_BUILD_TESTS=OFF -DQUILLON_BUILD_GUI=OFF -DQUILLON_BUILD_BENCH=OFF >/dev/null
    cmake --build "$scratch/build" -j2 --target quillon-convert >/dev/null
    converters=("$scratch/build/src/cli/quillon-convert" "$convert")
    names=("$(git rev-parse --short "$QUILLON_BENCH_BEFORE")" "this build")
fi

large_scans=${QUILLON_BENCH_LARGE_SCANS:-490000}
"$sample" "$huge" 2048 "$large_scans"
huge_mb=$(echo "$(stat -c %s "$huge") / 1000000" | bc)

# Runs a command with its output discarded; prints its wall time in seconds and its peak
# memory in kB (the maximum resident set size that /usr/bin/time -v reports).
timed() {
    local out
    out=$(mktemp)
    /usr/bin/time -f '%e %M' -o "$out" "$@" >/dev/null
    cat "$out"
    rm -f "$out"
}
max() { sort -g | tail -n 1; }
remove_outputs() { find "$data" -maxdepth 1 -name 'huge*.txt' -delete; }

echo
echo "Larger than memory: $huge_mb MB, N = 2048, $large_scans scans, median of $large_reps"
printf '%-44s' ""
for name in "${names[@]}"; do printf ' %24s' "$name"; done
echo
echo "(conversions: seconds / write floor seconds / peak MB)"

# The load: time from page cache, and peak memory.
printf '%-44s' "load s / peak MB"
for c in "${converters[@]}"; do
    times=()
    for ((i = 0; i < large_reps; i++)); do
        cat "$huge" >/dev/null
        times+=("$(seconds "$c" -q --dry-run "$huge")")
    done
    t=$(printf '%s\n' "${times[@]}" | median)
    p=$(peak_kb "$c" -q --dry-run "$huge")
    printf ' %24s' "$(printf '%.3f / %.1f' "$t" "$(echo "$p / 1024" | bc -l)")"
done
echo

# The trace of three wavelengths over every scan (this build; one pass through the file),
# against reading the file once (quillon_read_floor), both from page cache, with its peak
# memory. Goals: at most 1.5 times the read, under 64 MB.
trace_args=(-q --trace 450,546.1,620 --band 1 -o "$scratch/trace")
trace_times=()
trace_floor=()
for ((i = 0; i < large_reps; i++)); do
    cat "$huge" >/dev/null
    trace_floor+=("$(seconds "$read_floor" "$huge")")
    cat "$huge" >/dev/null
    trace_times+=("$(seconds "$convert" "${trace_args[@]}" "$huge")")
done
t=$(printf '%s\n' "${trace_times[@]}" | median)
r=$(printf '%s\n' "${trace_floor[@]}" | median)
p=$(peak_kb "$convert" "${trace_args[@]}" "$huge")
printf '%-44s %24s\n' "--trace s / read floor s / peak MB" \
    "$(printf '%.2f / %.2f / %.1f' "$t" "$r" "$(echo "$p / 1024" | bc -l)")"
printf '%-44s %24s\n' "  ratio to the read floor (goal <= 1.5)" "$(ratio "$t" "$r")"

# What the window needs to show the file: load it and read its last scan.
warm=()
cold=()
for ((i = 0; i < large_reps; i++)); do
    cat "$huge" >/dev/null
    warm+=("$("$build/bench/quillon_open_last_scan" "$huge" | awk '{ print 1000 * ($1 + $2) }')")
    cold+=("$("$build/bench/quillon_open_last_scan" --cold "$huge" | awk '{ print 1000 * ($1 + $2) }')")
done
printf '%-44s %24s\n' "load and last scan ms, this build: cached / cold" \
    "$(printf '%.2f / %.2f' "$(printf '%s\n' "${warm[@]}" | median)" \
        "$(printf '%s\n' "${cold[@]}" | median)")"

# Conversions in both modes, against the floor of writing the same bytes.
for mode in one multiple; do
    if [ "$mode" = one ]; then
        args=(--one-file --overwrite)
        label="one file, all scans, counts only"
    else
        args=(-p -w -s "1-10000,$((large_scans - 9999))-$large_scans")
        label="multiple files, 20,000 scans, -p -w"
    fi
    conv_times=()
    conv_peaks=()
    floor_times=()
    for ((i = 0; i < large_reps; i++)); do
        for k in "${!converters[@]}"; do
            remove_outputs
            cat "$huge" >/dev/null
            sync
            # The log goes to /dev/null, not away: a long run's log must not pile up either.
            read -r t p < <(timed "${converters[$k]}" "${args[@]}" "$huge")
            conv_times[$k]+="$t "
            conv_peaks[$k]+="$p "
        done
        floor_times+=("$(find "$data" -maxdepth 1 -name 'huge*.txt' |
            "$write_floor" --same-size -)")
    done
    remove_outputs
    f=$(printf '%s\n' "${floor_times[@]}" | median)
    printf '%-44s' "$label"
    for k in "${!converters[@]}"; do
        t=$(printf '%s\n' ${conv_times[$k]} | median)
        p=$(printf '%s\n' ${conv_peaks[$k]} | max)
        printf ' %24s' "$(printf '%.1f / %.1f / %.0f' "$t" "$f" "$(echo "$p / 1024" | bc -l)")"
    done
    echo
    printf '%-44s' "  ratio to the write floor"
    for k in "${!converters[@]}"; do
        printf ' %24s' "$(ratio "$(printf '%s\n' ${conv_times[$k]} | median)" "$f")"
    done
    echo
done

# The windows' scan map of the file, built off the window's thread: time to its first
# picture and to its completion, against reading the file once in the same run (from page
# cache both).
echo
echo "Scan map of the larger-than-memory file (goals: first picture <= 1 s, complete <= 2x read)"
cat "$huge" >/dev/null
"$build/bench/quillon_map_bench" "$huge" 2>/dev/null

echo
goals
