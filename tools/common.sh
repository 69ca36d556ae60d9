# Shared set-up of tools/test, tools/demo and tools/benchmark (sourced).
# Callers set `root` to the repository and use `set -euo pipefail`.
export FETCHPANE_CACHE="${FETCHPANE_CACHE:-/var/cache/fetchpane-deps}"
. "$root/tools/wine-env.sh"
build="${FETCHPANE_BUILD:-$root/build}"
cleanup_pids=()
# The wine prefixes made and started for each architecture: its own (0)
# and the one the tests behind a proxy run in (1, tools/wine-env.sh).
# The demo, the benchmarks and the skin preview run nothing behind a
# proxy: they keep 0.
prefix_kinds=(0 1)

# Runs a command with an architecture's wine environment (tools/wine-env.sh).
with_wine() { (wine_env "$1" && shift && "$@"); }

cleanup() {
    # A prefix's desktop lives on our display: end it before the display.
    local arch proxy
    for arch in x86_64 i686; do
        for proxy in 0 1; do
            (FETCHPANE_WINE_PROXY=$proxy wine_env "$arch" && [ -d "$WINEPREFIX" ] \
                && /usr/lib/wine/wineserver -k 2>/dev/null) || true
        done
    done
    for pid in "${cleanup_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT

# Toolchain and libraries, then the wine prefixes of each architecture given
# (x86_64 by default) whose programs run on this machine, each made once.
# Those architectures are left in `run_arches`. i686 is left out only where
# the kernel runs no 32-bit programs (tools/i686-runs), its reason then in
# `i686_skipped`; any other failure of 32-bit wine stops the caller.
prepare() {
    local arch rc kind
    "$root/tools/bootstrap"
    run_arches=()
    i686_skipped=""
    for arch in "${@:-x86_64}"; do
        if [ "$arch" = i686 ]; then
            rc=0
            i686_skipped=$("$root/tools/i686-runs") || rc=$?
            [ "$rc" = 3 ] && continue
            [ "$rc" = 0 ] || exit 1
        fi
        for kind in "${prefix_kinds[@]}"; do
            FETCHPANE_WINE_PROXY=$kind "$root/tools/wine-prefix" "$arch"
        done
        run_arches+=("$arch")
    done
}

# The architecture tools/demo and tools/benchmark run, in `arch`: i686, as
# the module ships, or where the kernel runs no 32-bit programs its x86_64
# twin, which the caller's tag then says on stderr.
prepare_shipped_arch() {
    arch=i686
    prepare i686
    if [ ${#run_arches[@]} = 0 ]; then
        arch=x86_64
        printf '[%s] %s: running the x86_64 twin of the module under wine64, not the shipped i686 build\n' \
            "$1" "$i686_skipped" >&2
        prepare x86_64
    fi
}

# configure_and_build <arch> <tests ON|OFF> [cmake --build arguments...]
# With variant=older set, the older build of the module goes into
# <build>/<arch>-older.
configure_and_build() {
    local arch=$1 tests=$2 dir older=OFF
    shift 2
    dir=$(build_dir "$arch")
    [ "${variant:-current}" = older ] && older=ON
    cmake -S "$root" -B "$dir" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch.cmake" \
        -DFP_BUILD_TESTS="$tests" -DFP_OLDER_BUILD="$older" >/dev/null
    cmake --build "$dir" -j "$(nproc)" "$@"
}

build_dir() {
    if [ "${variant:-current}" = older ]; then echo "$build/$1-older"; else echo "$build/$1"; fi
}

# One Xvfb on a free display for every window wine makes.
start_display() {
    local n display=""
    for n in $(seq 90 190); do
        if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
    done
    [ -n "$display" ] || { echo "no free X display" >&2; exit 1; }
    Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    cleanup_pids+=($!)
    export DISPLAY="$display"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
}

# The local HTTP and FTP servers and the proxy on 127.0.0.1, serving the
# folder given (a new temporary one by default); exports their addresses.
start_servers() {
    local server_root=${1:-}
    [ -n "$server_root" ] || server_root=$(mktemp -d /tmp/fetchpane-servers.XXXXXX)
    "$root/tools/test-servers" --root "$server_root" --env-file "$server_root/.env" &
    cleanup_pids+=($!)
    for _ in $(seq 300); do [ -s "$server_root/.env" ] && break; sleep 0.1; done
    [ -s "$server_root/.env" ] || { echo "the test servers did not start" >&2; exit 1; }
    set -a; . "$server_root/.env"; set +a
}

# A persistent wineserver on this display for each prefix of the
# architecture given (x86_64 by default) keeps each wine start short; one
# left from another run may hold a desktop without this display. Each prefix
# then brings up its desktop and starts a program once, before many programs
# start at once: a warm-up that fails is an error here, not a first test's
# time-out.
start_wineserver() {
    local arch=${1:-x86_64} proxy
    for proxy in "${prefix_kinds[@]}"; do
        FETCHPANE_WINE_PROXY=$proxy with_wine "$arch" /usr/lib/wine/wineserver -k 2>/dev/null || true
        FETCHPANE_WINE_PROXY=$proxy with_wine "$arch" /usr/lib/wine/wineserver -p
        if ! FETCHPANE_WINE_PROXY=$proxy FETCHPANE_WINE_ARCH=$arch timeout 120 \
            "$root/tools/wine-run" cmd /c exit >/dev/null 2>&1; then
            echo "wine ($arch) did not start a program in its prefix$([ $proxy = 0 ] || echo ' behind a proxy')" >&2
            exit 1
        fi
    done
}
