#!/usr/bin/env bash
# One entry point for the whole project on a Debian machine:
#   ./run.sh build     build the native core and both Windows builds (x64, x86)
#   ./run.sh test      build, then run every test layer (native, Windows-side, end to end)
#   ./run.sh demo      the wizard under Wine with the simulated driver
#   ./run.sh bench     the benchmarks
#   ./run.sh artwork   regenerate the screen pictures in assets/
#   ./run.sh soak [seed] [inputs]   a long random session on the real program (10000 inputs)
# Missing Debian packages are installed on the way; Wine runs in a private prefix under build/.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
cd "$root"

build_dir=$root/build
export WINEPREFIX=$build_dir/wine-prefix
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installers: nothing here needs them, and their prompts would block.
export WINEDLLOVERRIDES="mscoree,mshtml="

log() { printf '\033[1m==> %s\033[0m\n' "$*" >&2; }
die() { printf 'run.sh: %s\n' "$*" >&2; exit 1; }

as_root() {
    if [[ $(id -u) -eq 0 ]]; then "$@"; else sudo "$@"; fi
}

# Debian packages the project needs; only those not yet installed are fetched.
required_packages=(
    cmake g++ make pkg-config
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-x86-64-dev mingw-w64-i686-dev
    nasm googletest libjpeg62-turbo-dev libjpeg-turbo-progs libcairo2-dev libpango1.0-dev
    fonts-dejavu-core fonts-liberation
    wine wine64 wine32:i386 xvfb imagemagick
)

ensure_packages() {
    local missing=()
    local pkg
    for pkg in "${required_packages[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    [[ ${#missing[@]} -eq 0 ]] && return 0
    log "Installing missing packages: ${missing[*]}"
    if [[ " ${missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        as_root dpkg --add-architecture i386
    fi
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >&2
}

build_all() {
    ensure_packages
    local preset
    for preset in host win64 win32; do
        log "Building $preset"
        cmake --preset "$preset" >"$build_dir/configure-$preset.log" 2>&1 ||
            { cat "$build_dir/configure-$preset.log" >&2; die "configure of $preset failed"; }
        cmake --build --preset "$preset" -- --no-print-directory >&2
    done
}

# --- Display and Wine -----------------------------------------------------------------------

xvfb_pid=
stop_services() {
    if [[ -d $WINEPREFIX ]]; then wineserver -k 2>/dev/null || true; fi
    if [[ -n $xvfb_pid ]]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
trap stop_services EXIT

start_xvfb() {
    local n
    for n in $(seq 90 130); do
        [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
        Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
        xvfb_pid=$!
        local i
        for i in $(seq 100); do
            [[ -e /tmp/.X11-unix/X$n ]] && { export DISPLAY=":$n"; return 0; }
            kill -0 "$xvfb_pid" 2>/dev/null || break
            sleep 0.05
        done
    done
    die "could not start Xvfb"
}

winpath() { printf 'Z:%s' "${1//\//\\}"; }

prepare_prefix() {
    if [[ ! -f $WINEPREFIX/system.reg ]]; then
        log "Creating the Wine prefix in $WINEPREFIX"
        mkdir -p "$WINEPREFIX"
        wine wineboot -i >/dev/null 2>&1
        # Unmanaged windows: without a window manager Wine would wait ~2 s on every hide.
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
        # Wine's default hot-light colour is a pale grey; Windows' own is a blue, which is what the
        # end screen's identifier is drawn in.
        wine reg add 'HKCU\Control Panel\Colors' /v HotTrackingColor /d '0 102 204' /f >/dev/null 2>&1
        # A crashing program must exit with its code at once, not wait in the debugger.
        local view
        for view in 32 64; do
            wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
                /v Debugger /d '' /f "/reg:$view" >/dev/null 2>&1
            wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
                /v Auto /d 1 /f "/reg:$view" >/dev/null 2>&1
        done
        wineserver -w
    fi
    # The simulated driver of each architecture goes into that architecture's registry view.
    local simreg=$build_dir/win64/tools/simreg/simreg.exe
    wine "$simreg" register x64 "$(winpath "$build_dir/dist/x64/SimDriver.dll")" >&2
    wine "$simreg" register x86 "$(winpath "$build_dir/dist/x86/SimDriver.dll")" >&2
}

with_display() {
    if [[ -z ${DISPLAY:-} ]]; then start_xvfb; fi
}

# --- Test layers ----------------------------------------------------------------------------

total_passed=0
total_failed=0
failed_layers=()

# Adds the counts of a GoogleTest XML report to the totals.
count_report() {
    local report=$1 layer=$2
    if [[ ! -f $report ]]; then
        failed_layers+=("$layer (no report)")
        total_failed=$((total_failed + 1))
        return
    fi
    local header tests failures errors
    header=$(grep -m1 '<testsuites' "$report" | tr -d '\r')
    tests=$(sed -n 's/.* tests="\([0-9]*\)".*/\1/p' <<<"$header")
    failures=$(sed -n 's/.* failures="\([0-9]*\)".*/\1/p' <<<"$header")
    errors=$(sed -n 's/.* errors="\([0-9]*\)".*/\1/p' <<<"$header")
    local disabled skipped
    disabled=$(sed -n 's/.* disabled="\([0-9]*\)".*/\1/p' <<<"$header")
    skipped=$(grep -c '<skipped' "$report" || true)
    local bad=$((failures + errors))
    local good=$((tests - bad - ${disabled:-0} - skipped))
    total_passed=$((total_passed + good))
    total_failed=$((total_failed + bad))
    [[ $bad -eq 0 ]] || failed_layers+=("$layer")
}

run_layer() {  # layer-name report-file command...
    local layer=$1 report=$2
    shift 2
    log "Test layer: $layer"
    rm -f "$report"
    local status=0
    "$@" || status=$?
    count_report "$report" "$layer"
    if [[ $status -ne 0 && " ${failed_layers[*]} " != *" $layer "* ]]; then
        failed_layers+=("$layer (exit $status)")
        total_failed=$((total_failed + 1))
    fi
}

run_tests() {
    build_all
    local reports=$build_dir/test-reports
    mkdir -p "$reports"

    run_layer "native" "$reports/native.xml" \
        "$build_dir/host/tests/host/host_tests" "--gtest_output=xml:$reports/native.xml"
    run_layer "release" "$reports/release.xml" \
        "$build_dir/host/tests/release/release_tests" "--gtest_output=xml:$reports/release.xml"

    with_display
    prepare_prefix
    local arch preset
    for arch in x64 x86; do
        preset=win64
        [[ $arch == x86 ]] && preset=win32
        run_layer "windows-$arch" "$reports/windows-$arch.xml" \
            wine "$build_dir/$preset/tests/win/win_tests.exe" \
            "--gtest_output=xml:$(winpath "$reports/windows-$arch.xml")"
        run_e2e_layer "$arch" "end-to-end-$arch" "$reports/e2e-$arch.xml"
    done
    print_totals ""
}

# The end-to-end suite of one architecture as a test layer:
#   run_e2e_layer arch layer report [VARIABLE=value ...] [-- suite arguments ...]
run_e2e_layer() {
    local arch=$1 layer=$2 report=$3
    shift 3
    local preset=win64
    [[ $arch == x86 ]] && preset=win32
    local variables=()
    while [[ $# -gt 0 && $1 != -- ]]; do
        variables+=("$1")
        shift
    done
    [[ ${1:-} == -- ]] && shift
    run_layer "$layer" "$report" \
        env VELMAR_DIST_DIR="$(winpath "$build_dir/dist/$arch")" \
        VELMAR_ASSETS_DIR="$(winpath "$root/assets")" "${variables[@]}" \
        wine "$build_dir/$preset/tests/e2e/e2e_tests.exe" "$@" \
        "--gtest_output=xml:$(winpath "$report")"
}

print_totals() {  # what was run, for the last line
    echo
    if [[ ${#failed_layers[@]} -gt 0 ]]; then
        echo "Failed: ${failed_layers[*]}"
    fi
    echo "$1$total_passed passed, $total_failed failed"
    [[ $total_failed -eq 0 ]]
}

# --- Demo, bench, artwork -------------------------------------------------------------------

run_demo() {
    build_all
    local had_display=${DISPLAY:-}
    with_display
    prepare_prefix
    if [[ -n $had_display ]]; then
        log "Starting the wizard with the interactive simulated driver"
        wine "$build_dir/dist/x64/VelmarMaster.exe"
        return
    fi
    # No display of our own: the typical run plays itself on a virtual one, with the scripted
    # driver, and every screen and box it passes through is saved as a picture.
    local out=$build_dir/demo
    mkdir -p "$out"
    rm -f "$out"/*.png
    log "No display: playing the typical run on Xvfb ($DISPLAY)"
    wine "$build_dir/win64/tools/demo/velmar_gallery.exe" "$(winpath "$build_dir/dist/x64")" \
        "$(winpath "$out")" | tr -d '\r'
    echo "Screens and boxes of the typical run: $out"
}

run_bench() {
    build_all
    log "Building the benchmarks (optimised)"
    cmake --preset bench >"$build_dir/configure-bench.log" 2>&1 ||
        { cat "$build_dir/configure-bench.log" >&2; die "configure of bench failed"; }
    cmake --build --preset bench -- --no-print-directory >&2
    log "Picture decoding against djpeg"
    "$build_dir/bench/bench/decode/velmar_decode_bench"
    with_display
    prepare_prefix
    local arch preset status=0
    for arch in x64 x86; do
        preset=win64
        [[ $arch == x86 ]] && preset=win32
        log "Window start-up, memory and repaint ($arch)"
        wine "$build_dir/$preset/bench/window/velmar_window_bench.exe" \
            "$(winpath "$build_dir/dist/$arch")" | tr -d '\r' || status=1
    done
    return $status
}

run_artwork() {
    ensure_packages
    cmake --preset host >"$build_dir/configure-host.log" 2>&1 || die "configure failed"
    cmake --build --preset host --target velmar_artwork >&2
    local preview=$build_dir/artwork-preview
    rm -rf "$preview"
    mkdir -p "$preview"
    "$build_dir/host/tools/artwork/velmar_artwork" "$root/assets" --preview "$preview"
    # The README shows each screen as the running window does (with its first button lit) and
    # every overlay picture.
    local docs=$root/docs/screens name
    mkdir -p "$docs"
    rm -f "$docs"/*.png
    for name in page0-imgDoc page1-imgFS_Next page2-imgW_Rereg page3-imgCn_Next page4-imgReg_Next \
        page5-imgOK close connect instruction next cancel back reregister ok; do
        cp "$preview/$name.png" "$docs/$name.png"
    done
    echo "Pictures written to $root/assets, README pictures to $docs"
}

# A long random session on the real program, both architectures: seed (random when not given)
# and number of inputs.
run_soak() {
    local seed=${1:-} events=${2:-10000}
    [[ -n $seed ]] || seed=$(od -An -N4 -tu4 /dev/urandom | tr -d ' ')
    build_all
    with_display
    prepare_prefix
    local reports=$build_dir/test-reports
    mkdir -p "$reports"
    local arch
    for arch in x64 x86; do
        log "Soak ($arch): seed $seed, $events inputs"
        run_e2e_layer "$arch" "soak-$arch" "$reports/soak-$arch.xml" \
            VELMAR_SOAK_SEED="$seed" VELMAR_SOAK_EVENTS="$events" -- --gtest_filter='Soak.*'
    done
    print_totals "Soak with seed $seed, $events inputs: "
}

mkdir -p "$build_dir"
case ${1:-} in
    build) build_all ;;
    test) run_tests ;;
    demo) run_demo ;;
    bench) run_bench ;;
    artwork) run_artwork ;;
    soak) run_soak "${2:-}" "${3:-}" ;;
    *)
        sed -n '2,8p' "$0" | sed 's/^# \{0,1\}//'
        exit 2
        ;;
esac
