# The wine of each architecture (sourced by tools/wine-run, tools/wine-prefix
# and tools/common.sh): wine_env <x86_64|i686> exports WINEPREFIX and sets
# WINE_LOADER.
#   x86_64: wine64 in a 64-bit prefix, FETCHPANE_WINEPREFIX
#           (default <cache>/wineprefix);
#   i686:   the 32-bit loader in a 32-bit prefix of its own, the same path
#           with "-i686" added, so the shipped module runs as on 32-bit
#           Windows and a 64-bit program cannot slip into its run.
# With FETCHPANE_WINE_PROXY=1 (ctest sets it for the cases behind a proxy),
# the architecture's proxy prefix instead: the same path with "-proxy"
# added, whose system proxy setting those cases make, so that no other
# program's requests go through a proxy.
wine_env() {
    local base="${FETCHPANE_WINEPREFIX:-${FETCHPANE_CACHE:-/var/cache/fetchpane-deps}/wineprefix}"
    export WINEDEBUG="${WINEDEBUG:--all}"
    export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
    case "$1" in
        x86_64) export WINEPREFIX="$base" WINEARCH=win64; WINE_LOADER=/usr/lib/wine/wine64 ;;
        i686) export WINEPREFIX="$base-i686" WINEARCH=win32; WINE_LOADER=/usr/lib/wine/wine ;;
        *) echo "unknown architecture: $1" >&2; return 1 ;;
    esac
    [ "${FETCHPANE_WINE_PROXY:-0}" != 1 ] || WINEPREFIX="$WINEPREFIX-proxy"
}
