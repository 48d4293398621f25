#!/usr/bin/env bash
# Times `brevlin-sheet make` against ImageMagick, libvips and a libjpeg "floor" on one job: 24 MP photo -> A4 sheet of 35x45 mm photos.
#
# Usage: bench/sheet-bench.sh [path/to/brevlin-sheet]
#
# Environment:
#   BREVLIN_SHEET    our binary (the first argument wins; default build/release/tools/brevlin-sheet/brevlin-sheet, made by scripts/run.sh or the release preset)
#   BENCH_DIR        work folder: test picture, outputs, logs, hyperfine JSON (default /tmp/brevlin-bench)
#   BENCH_RUNS       hyperfine runs per command (default 5, after 1 warm-up run)
#   BENCH_DPIS       resolutions to run (default "600 1200")
#   BENCH_SCRATCH    folder for libvips' small .v intermediates (default /dev/shm if writable, else BENCH_DIR)
#   BENCH_IM_HINT    0 = leave out the extra ImageMagick row that decodes with -define jpeg:size (default 1)
#   BENCH_BREAKDOWN  1 = also time the stages of ImageMagick, libvips and the floor separately
#   BENCH_IM         ImageMagick command to use (default: magick, else convert-im6.q16, else convert)
#   IM_RAISE_MEMORY  1 = also lift ImageMagick's memory/map limits (kept at the system's by default, see README)
set -euo pipefail

script_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo_root=$(cd "$script_dir/.." && pwd)

brevlin=${1:-${BREVLIN_SHEET:-$repo_root/build/release/tools/brevlin-sheet/brevlin-sheet}}
work=${BENCH_DIR:-/tmp/brevlin-bench}
runs=${BENCH_RUNS:-5}
dpis=${BENCH_DPIS:-600 1200}
breakdown=${BENCH_BREAKDOWN:-0}
im_hint=${BENCH_IM_HINT:-1}
im_raise_memory=${IM_RAISE_MEMORY:-0}

FORMAT_ID=19          # 35 x 45 mm
PHOTO_W_MM=35
PHOTO_H_MM=45
PAGE_W_MM=210         # A4
PAGE_H_MM=297
SRC_W=6000
SRC_H=4000

die() { printf '\nsheet-bench: ERROR: %s\n' "$*" >&2; exit 1; }
note() { printf 'sheet-bench: %s\n' "$*"; }

case $runs in '' | *[!0-9]* | 0) die "BENCH_RUNS must be a positive integer, got '$runs'" ;; esac

# ---------------------------------------------------------------- tools
missing=()
need_cmd() { # command, Debian package
    command -v "$1" >/dev/null 2>&1 || missing+=("$1  ->  apt-get install $2")
}
need_cmd hyperfine hyperfine
need_cmd cc gcc
need_cmd vips libvips-tools
need_cmd vipsheader libvips-tools
need_cmd identify imagemagick
need_cmd awk mawk
[[ -x /usr/bin/time ]] || missing+=("/usr/bin/time  ->  apt-get install time")
[[ -e /usr/include/jpeglib.h ]] || missing+=("jpeglib.h  ->  apt-get install libjpeg62-turbo-dev")

im=${BENCH_IM:-}
if [[ -z $im ]]; then
    # Debian's `convert` is an alternatives link to convert-im6.q16; naming the real
    # binary keeps any wrapper that happens to sit earlier in PATH out of the timing.
    for candidate in magick convert-im6.q16 convert; do
        if command -v "$candidate" >/dev/null 2>&1; then im=$(command -v "$candidate"); break; fi
    done
fi
[[ -n $im ]] || missing+=("convert/magick  ->  apt-get install imagemagick")

if ((${#missing[@]})); then
    printf 'sheet-bench: missing tools:\n' >&2
    printf '  %s\n' "${missing[@]}" >&2
    die "install them (as root: apt-get update && apt-get install ...) and run again"
fi

have_brevlin=0
if [[ -x $brevlin ]]; then
    have_brevlin=1
else
    note "NOTICE: $brevlin not found or not executable - our tool is skipped (build it, or pass its path / set BREVLIN_SHEET)"
fi

mkdir -p "$work"/{bin,cmd,out,logs,results,im-policy}
work=$(cd "$work" && pwd)

scratch_root=${BENCH_SCRATCH:-}
if [[ -z $scratch_root ]]; then
    if [[ -d /dev/shm && -w /dev/shm ]]; then scratch_root=/dev/shm; else scratch_root=$work; fi
fi
# A fixed name, so the command files in $work/cmd can be re-run by hand; each vips
# command creates it if needed.
scratch=$scratch_root/brevlin-bench-scratch
mkdir -p "$scratch"
trap 'rm -rf "$scratch"' EXIT

# ---------------------------------------------------------------- geometry
# Same arithmetic as the engine: dots = trunc(mm / (25.4 / dpi)) in doubles; as many
# columns as fit, dropping columns while the gap between them would be zero.
# Prints: W H pw ph cols rows gx gy
geometry() {
    awk -v D="$1" -v pw_mm="$PHOTO_W_MM" -v ph_mm="$PHOTO_H_MM" -v w_mm="$PAGE_W_MM" -v h_mm="$PAGE_H_MM" '
        function dots(mm) { return int(mm / (25.4 / D)) }
        function count(total, size,   n) {
            n = int(total / size)
            while (n >= 2 && int((total - n * size) / (n - 1)) == 0) n--
            return n
        }
        function gap(total, size, n) { return n >= 2 ? int((total - n * size) / (n - 1)) : 0 }
        BEGIN {
            W = dots(w_mm); H = dots(h_mm); pw = dots(pw_mm); ph = dots(ph_mm)
            c = count(W, pw); r = count(H, ph)
            print W, H, pw, ph, c, r, gap(W, pw, c), gap(H, ph, r)
        }'
}

geometry_py() {
    python3 - "$1" "$PHOTO_W_MM" "$PHOTO_H_MM" "$PAGE_W_MM" "$PAGE_H_MM" <<'EOF'
import sys
d, pw_mm, ph_mm, w_mm, h_mm = (float(a) for a in sys.argv[1:])
dots = lambda mm: int(mm / (25.4 / d))
def count(total, size):
    n = total // size
    while n >= 2 and (total - n * size) // (n - 1) == 0:
        n -= 1
    return n
gap = lambda total, size, n: (total - n * size) // (n - 1) if n >= 2 else 0
W, H, pw, ph = dots(w_mm), dots(h_mm), dots(pw_mm), dots(ph_mm)
c, r = count(W, pw), count(H, ph)
print(W, H, pw, ph, c, r, gap(W, pw, c), gap(H, ph, r))
EOF
}

# Places, one "x y" per line, row by row.
places() { # W H pw ph cols rows gx gy
    local c r
    for ((r = 0; r < $6; r++)); do
        for ((c = 0; c < $5; c++)); do
            echo "$((c * ($3 + $7))) $((r * ($4 + $8)))"
        done
    done
}

declare -A geo
for d in $dpis; do
    case $d in '' | *[!0-9]* | 0) die "bad dpi '$d' in BENCH_DPIS" ;; esac
    geo[$d]=$(geometry "$d")
    if command -v python3 >/dev/null 2>&1; then
        [[ $(geometry_py "$d") == "${geo[$d]}" ]] ||
            die "geometry at $d dpi: awk says '${geo[$d]}', python says '$(geometry_py "$d")'"
    fi
    expected=
    case $d in
        600) expected="4960 7015 826 1062" ;;
        1200) expected="9921 14031 1653 2125" ;;
    esac
    if [[ -n $expected ]]; then
        read -r W H pw ph _ <<<"${geo[$d]}"
        [[ "$W $H $pw $ph" == "$expected" ]] || die "geometry at $d dpi is '$W $H $pw $ph', expected '$expected'"
    fi
done

# ---------------------------------------------------------------- machine
cpu=$(awk -F': *' '/^model name/ { print $2; exit }' /proc/cpuinfo 2>/dev/null || true)
echo "== Brevlin sheet benchmark  $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "   machine : ${cpu:-unknown CPU}, nproc $(nproc), $(awk '/^MemTotal/ { printf "%.1f GiB RAM", $2 / 1048576 }' /proc/meminfo)"
echo "   ImageMagick: $("$im" -version | awk 'NR == 1 { print $2, $3; exit }') ($im)"
echo "   libvips : $(vips --version)  (uses $(nproc) threads unless VIPS_CONCURRENCY is set${VIPS_CONCURRENCY:+: $VIPS_CONCURRENCY})"
echo "   libjpeg : $(dpkg-query -W -f '${Package} ${Version}' libjpeg62-turbo 2>/dev/null || echo unknown)"
echo "   $(hyperfine --version), runs per command: $runs (+1 warm-up)"
echo "   work    : $work   scratch: $scratch"
echo "   load    : $(cut -d' ' -f1-3 /proc/loadavg) (1/5/15 min) at start - other work on the machine skews the figures"
if [[ $have_brevlin == 1 ]]; then
    echo "   ours    : $brevlin (built $(date -u -r "$brevlin" '+%Y-%m-%d %H:%M UTC'), sha256 $(sha256sum "$brevlin" | cut -c1-12))"
else
    echo "   ours    : missing ($brevlin)"
fi
for d in $dpis; do
    read -r W H pw ph cols rows gx gy <<<"${geo[$d]}"
    echo "   $d dpi  : page ${W}x${H}, photo ${pw}x${ph}, ${cols}x${rows} = $((cols * rows)) photos, gaps ${gx}/${gy}"
done
echo

# ---------------------------------------------------------------- ImageMagick limits
# Debian's policy.xml caps area at 128MP, memory at 256MiB, map at 512MiB and disk at
# 1GiB; a 1200 dpi A4 page (139 MP, 16 bits per sample) then cannot get a pixel cache
# at all. `-limit` and MAGICK_*_LIMIT can only lower a policy value, so the run points
# MAGICK_CONFIGURE_PATH at a policy of its own, read before the system one (whose
# security rules still apply).
{
    echo '<policymap>'
    echo '  <policy domain="resource" name="width" value="32KP"/>'
    echo '  <policy domain="resource" name="height" value="32KP"/>'
    echo '  <policy domain="resource" name="area" value="2GP"/>'
    echo '  <policy domain="resource" name="disk" value="16GiB"/>'
    if [[ $im_raise_memory == 1 ]]; then
        echo '  <policy domain="resource" name="memory" value="8GiB"/>'
        echo '  <policy domain="resource" name="map" value="16GiB"/>'
    fi
    echo '</policymap>'
} >"$work/im-policy/policy.xml"
export MAGICK_CONFIGURE_PATH=$work/im-policy

# ---------------------------------------------------------------- test picture
src=$work/portrait-${SRC_W}x${SRC_H}.jpg
if [[ ! -s $src ]]; then
    note "generating the test picture (once): $src"
    # Fractal plasma (fixed seed), softened, with sensor-like noise: encodes like a
    # real photo. One thread keeps the noise identical from machine to machine.
    "$im" -limit thread 1 -seed 4242 -size "${SRC_W}x${SRC_H}" plasma:fractal \
        -blur 0x2 -attenuate 0.6 +noise Gaussian -strip \
        -sampling-factor 2x2 -quality 92 -interlace none "$src.tmp.jpg"
    mv "$src.tmp.jpg" "$src"
fi
[[ $(vipsheader -f width "$src")x$(vipsheader -f height "$src") == "${SRC_W}x${SRC_H}" ]] ||
    die "$src is not ${SRC_W}x${SRC_H}; delete it to regenerate"
note "test picture: $src, $(stat -c %s "$src") bytes, md5 $(md5sum "$src" | cut -d' ' -f1)"

# ---------------------------------------------------------------- floor
floor=$work/bin/jpeg_floor
cc -O2 "$script_dir/jpeg_floor.c" -ljpeg -o "$floor" ||
    die "could not build the floor; it needs gcc and libjpeg62-turbo-dev"

# ---------------------------------------------------------------- commands
q() { printf '%q ' "$@"; }

write_cmd() { # name, command words...
    local file=$work/cmd/$1.sh
    shift
    { echo '#!/usr/bin/env bash'; echo 'set -e'; echo "$*"; } >"$file"
}

jpeg_opts_im=(-define jpeg:optimize-coding=false -sampling-factor 2x2 -interlace none -quality 90)
vips_save_opts='[Q=90,subsample-mode=on,optimize-coding=false,interlace=false,strip]'

make_commands() { # dpi
    local d=$1 W H pw ph cols rows gx gy x y
    read -r W H pw ph cols rows gx gy <<<"${geo[$d]}"

    if [[ $have_brevlin == 1 ]]; then
        write_cmd "brevlin-$d" "$(q "$brevlin" make "$src" --format "$FORMAT_ID" --paper A4 --dpi "$d" -o "$work/out/brevlin-$d.jpg")"
    fi

    # ImageMagick: one process; the resized photo is kept in an mpr: register and
    # composited onto the white page at each place.
    local args=(-size "${W}x${H}" xc:white '(' "$src" -resize "${pw}x${ph}!" -write "mpr:photo-$d" +delete ')')
    while read -r x y; do
        args+=("mpr:photo-$d" -geometry "+$x+$y" -composite)
    done < <(places "$W" "$H" "$pw" "$ph" "$cols" "$rows" "$gx" "$gy")
    local policy_env
    policy_env="export MAGICK_CONFIGURE_PATH=$(printf '%q' "$MAGICK_CONFIGURE_PATH")"
    write_cmd "imagemagick-$d" "$policy_env"$'\n'"$(q "$im" "${args[@]}" "${jpeg_opts_im[@]}" "$work/out/imagemagick-$d.jpg")"

    # The same, but letting libjpeg decode at a reduced scale that still covers the
    # photo size (ImageMagick's jpeg:size hint), which is what a thumbnailer would do.
    if [[ $im_hint == 1 ]]; then
        write_cmd "imagemagick-hint-$d" "$policy_env"$'\n'"$(q "$im" -define "jpeg:size=${pw}x${ph}" "${args[@]}" "${jpeg_opts_im[@]}" "$work/out/imagemagick-hint-$d.jpg")"
    fi

    # libvips: resize to the exact photo size, pad it to one grid cell (photo + gaps)
    # in white, then tile that cell over the page with --extend repeat while saving:
    # the page itself never exists as an intermediate file. Tiling is exact when
    # nothing of a further photo would show at the right or bottom edge; otherwise
    # tile over the grid only and pad that to the page (one big intermediate).
    local cw=$((pw + gx)) ch=$((ph + gy))
    local photo=$scratch/photo-$d.v cell=$scratch/cell-$d.v out=$work/out/vips-$d.jpg
    local steps=("$(q mkdir -p "$scratch")"
        "$(q vips thumbnail "$src" "$photo" "$pw" --height "$ph" --size force)"
        "$(q vips embed "$photo" "$cell" 0 0 "$cw" "$ch" --extend white)")
    if ((cols * cw >= W && rows * ch >= H)); then
        steps+=("$(q vips embed "$cell" "$out$vips_save_opts" 0 0 "$W" "$H" --extend repeat)")
    else
        local grid=$scratch/grid-$d.v
        steps+=("$(q vips embed "$cell" "$grid" 0 0 $((cols * cw - gx)) $((rows * ch - gy)) --extend repeat)"
            "$(q vips embed "$grid" "$out$vips_save_opts" 0 0 "$W" "$H" --extend white)")
    fi
    write_cmd "vips-$d" "$(printf '%s\n' "${steps[@]}")"

    write_cmd "floor-$d" "$(q "$floor" "$src" "$W" "$H" "$work/out/floor-$d.jpg")"
}

# ---------------------------------------------------------------- checks
# Mean of the RGB samples of one pixel.
pixel_level() { # file x y
    vips getpoint "$1" "$2" "$3" | awk '{ s = 0; for (i = 1; i <= NF; i++) s += $i; printf "%d", s / NF }'
}

verify_output() { # tool dpi file
    local tool=$1 d=$2 f=$3 W H pw ph cols rows gx gy
    read -r W H pw ph cols rows gx gy <<<"${geo[$d]}"
    [[ -s $f ]] || die "$tool at $d dpi wrote no output ($f)"
    local size
    size=$(vipsheader -f width "$f")x$(vipsheader -f height "$f") || die "$tool at $d dpi: $f is not a readable image"
    [[ $size == "${W}x${H}" ]] || die "$tool at $d dpi: output is $size, expected ${W}x${H}"
    [[ $(vipsheader -f jpeg-multiscan "$f" 2>/dev/null || echo 0) == 0 ]] ||
        die "$tool at $d dpi: output is progressive, the job asks for baseline"
    local sub quality
    sub=$(vipsheader -f jpeg-chroma-subsample "$f" 2>/dev/null || echo '?')
    quality=$(identify -ping -format '%Q' "$f" 2>/dev/null || echo '?')
    [[ $sub == 4:2:0 ]] || note "WARNING: $tool at $d dpi: chroma subsampling $sub, not 4:2:0"
    [[ $quality == 90 ]] || note "WARNING: $tool at $d dpi: estimated quality $quality, not 90"

    local content="blank page (by design)"
    if [[ $tool != floor ]]; then
        # Centre of the first and the last photo must hold picture, the middle of the
        # gaps and of the margins left after the last photo must be white.
        local lx=$(((cols - 1) * (pw + gx))) ly=$(((rows - 1) * (ph + gy))) v
        local at x y
        for at in "$((pw / 2)) $((ph / 2))" "$((lx + pw / 2)) $((ly + ph / 2))"; do
            read -r x y <<<"$at"
            v=$(pixel_level "$f" "$x" "$y")
            ((v < 235)) || die "$tool at $d dpi: no photo at the centre of place ($x, $y), level $v"
        done
        local white=()
        ((gx >= 8)) && white+=("$((pw + gx / 2)) $((ph / 2))")
        ((gy >= 8)) && white+=("$((pw / 2)) $((ph + gy / 2))")
        ((W - lx - pw >= 8)) && white+=("$(((lx + pw + W) / 2)) $((ph / 2))")
        ((H - ly - ph >= 8)) && white+=("$((pw / 2)) $(((ly + ph + H) / 2))")
        for at in "${white[@]}"; do
            read -r x y <<<"$at"
            v=$(pixel_level "$f" "$x" "$y")
            ((v >= 245)) || die "$tool at $d dpi: expected white at ($x, $y), level $v"
        done
        content="photos and gaps where expected"
    fi
    note "  ok  $tool $d dpi: ${size}, baseline, $sub, Q$quality, $content"
}

# Our own layout command, when there is one, should agree with the places above.
crosscheck_layout() { # dpi
    local d=$1 W H pw ph cols rows gx gy json theirs ours
    read -r W H pw ph cols rows gx gy <<<"${geo[$d]}"
    if ! command -v jq >/dev/null 2>&1; then
        note "  (jq not installed - layout cross-check skipped; apt-get install jq)"
        return
    fi
    if ! json=$("$brevlin" layout --format "$FORMAT_ID" --paper A4 --dpi "$d" 2>"$work/logs/brevlin-layout-$d.err"); then
        note "  WARNING: '$brevlin layout' failed at $d dpi, see $work/logs/brevlin-layout-$d.err"
        return
    fi
    printf '%s\n' "$json" >"$work/logs/brevlin-layout-$d.json"
    theirs=$(jq -r '.places[]? | if type == "array" then "\(.[0]) \(.[1])"
                    else "\(.x // .left // "?") \(.y // .top // "?")" end' <<<"$json" 2>/dev/null || true)
    ours=$(places "$W" "$H" "$pw" "$ph" "$cols" "$rows" "$gx" "$gy")
    if [[ -z $theirs ]]; then
        note "  NOTICE: no \"places\" list understood in the layout JSON ($work/logs/brevlin-layout-$d.json)"
    elif [[ $(sort <<<"$theirs") == $(sort <<<"$ours") ]]; then
        note "  ok  layout at $d dpi agrees with brevlin-sheet layout ($((cols * rows)) places)"
    else
        note "  WARNING: brevlin-sheet layout at $d dpi differs from the geometry used here:"
        diff <(sort <<<"$ours") <(sort <<<"$theirs") | head -n 10 || true
    fi
}

rss_mb() { # /usr/bin/time -v log
    awk -F': *' '/Maximum resident set size/ { printf "%.0f", $2 / 1024 }' "$1"
}

# ---------------------------------------------------------------- runs
declare -A median sd cpu_s rss
tools_run=()

for d in $dpis; do
    tools=()
    [[ $have_brevlin == 1 ]] && tools+=(brevlin)
    tools+=(imagemagick)
    [[ $im_hint == 1 ]] && tools+=(imagemagick-hint)
    tools+=(vips floor)
    make_commands "$d"

    echo "== $d dpi: check run of each tool (its output is verified, its peak memory measured)"
    [[ $have_brevlin == 1 ]] && crosscheck_layout "$d"
    for t in "${tools[@]}"; do
        rm -f "$work/out/$t-$d.jpg"
        if ! /usr/bin/time -v -o "$work/logs/$t-$d.time" bash "$work/cmd/$t-$d.sh" \
            >"$work/logs/$t-$d.log" 2>&1; then
            tail -n 20 "$work/logs/$t-$d.log" >&2
            die "$t failed at $d dpi (command: $work/cmd/$t-$d.sh)"
        fi
        rss[$t-$d]=$(rss_mb "$work/logs/$t-$d.time")
        verify_output "$t" "$d" "$work/out/$t-$d.jpg"
    done

    echo "== $d dpi: timing with hyperfine"
    hf=(hyperfine --warmup 1 --runs "$runs" --style basic
        --export-json "$work/results/hyperfine-$d.json" --export-csv "$work/results/hyperfine-$d.csv")
    for t in "${tools[@]}"; do hf+=(-n "$t" "$(q bash "$work/cmd/$t-$d.sh")"); done
    "${hf[@]}"
    while IFS=, read -r name _ s med u sys _; do
        [[ $name == command ]] && continue
        median[$name-$d]=$med sd[$name-$d]=$s
        cpu_s[$name-$d]=$(awk -v u="$u" -v s="$sys" 'BEGIN { printf "%.2f", u + s }')
    done <"$work/results/hyperfine-$d.csv"
    tools_run+=("$d:${tools[*]}")
    echo
done

# ---------------------------------------------------------------- stages (optional)
if [[ $breakdown == 1 ]]; then
    echo "== stage breakdown (hyperfine, $runs runs each)"
    st=(hyperfine --warmup 1 --runs "$runs" --style basic
        --export-json "$work/results/stages.json" --export-csv "$work/results/stages.csv")
    st+=(-n "floor: decode only" "$(q "$floor" "$src" 16 16 "$work/out/stage-floor-decode.jpg")")
    st+=(-n "imagemagick: decode only" "$(q "$im" "$src" null:)")
    for d in $dpis; do
        read -r W H pw ph cols rows gx gy <<<"${geo[$d]}"
        st+=(-n "floor: encode white page $d" "$(q "$floor" "$work/out/stage-floor-decode.jpg" "$W" "$H" "$work/out/stage-floor-page-$d.jpg")")
        st+=(-n "imagemagick: decode+resize $d" "$(q "$im" "$src" -resize "${pw}x${ph}!" null:)")
        st+=(-n "imagemagick: white page encode $d" "$(q "$im" -size "${W}x${H}" xc:white "${jpeg_opts_im[@]}" "$work/out/stage-im-page-$d.jpg")")
        st+=(-n "vips: thumbnail $d" "$(q vips thumbnail "$src" "$scratch/stage-photo-$d.v" "$pw" --height "$ph" --size force)")
        st+=(-n "vips: tile cell + encode page $d" "$(q vips embed "$scratch/cell-$d.v" "$work/out/stage-vips-page-$d.jpg$vips_save_opts" 0 0 "$W" "$H" --extend repeat)")
    done
    # the floor's page stage decodes a 16x16 picture first; make it exist
    "$floor" "$src" 16 16 "$work/out/stage-floor-decode.jpg"
    "${st[@]}"
    echo
    echo "stage                                   median s"
    awk -F, 'NR > 1 { printf "%-38s %8.3f\n", $1, $4 }' "$work/results/stages.csv"
    echo
fi

# ---------------------------------------------------------------- table
echo "== Results (median wall time of $runs runs; CPU = user+sys mean; RSS = peak resident set of the check run)"
printf '%-17s %5s %9s %9s %7s %10s %10s %8s\n' tool dpi median_s sd_s cpu_s vs_ours vs_floor rss_MB
for entry in "${tools_run[@]}"; do
    d=${entry%%:*}
    for t in ${entry#*:}; do
        ours=${median[brevlin-$d]:-}
        floor_t=${median[floor-$d]}
        printf '%-17s %5s %9.3f %9.3f %7s %10s %10s %8s\n' "$t" "$d" "${median[$t-$d]}" "${sd[$t-$d]}" \
            "${cpu_s[$t-$d]}" \
            "$( [[ -n $ours ]] && awk -v a="${median[$t-$d]}" -v b="$ours" 'BEGIN { printf "%.2fx", a / b }' || echo n/a)" \
            "$(awk -v a="${median[$t-$d]}" -v b="$floor_t" 'BEGIN { printf "%.2fx", a / b }')" \
            "${rss[$t-$d]}"
    done
done
echo
echo "load at the end: $(cut -d' ' -f1-3 /proc/loadavg) (1/5/15 min)"
echo "vs_ours / vs_floor: that tool's median divided by ours / the floor's (2.00x = takes twice as long)."
echo "Raw data: $work/results/hyperfine-<dpi>.json, peak memory logs: $work/logs/<tool>-<dpi>.time"
[[ $have_brevlin == 1 ]] || echo "Our tool was skipped: $brevlin is missing."
