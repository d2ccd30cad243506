# Installs what building and running Lockbay on Linux needs, from Debian, when any of
# it is missing (sourced by tools/run-tests.sh and tools/run-demo.sh). On a prepared
# machine it only looks and returns.

LOCKBAY_PACKAGES=(
    mingw-w64 g++-mingw-w64-x86-64 wine wine64 xvfb xauth imagemagick
    cmake make g++ libgtest-dev python3 iproute2 nsis osslsigncode openssl wixl libxml2-utils
)

# Prints what is missing, one per line.
missing_tools() {
    local tool
    for tool in x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-gcc-posix x86_64-w64-mingw32-windres \
        wine wineboot wineserver Xvfb xauth import compare cmake make g++ python3 ip makensis osslsigncode openssl \
        wixl xmllint; do
        command -v "$tool" >/dev/null 2>&1 || echo "$tool"
    done
    [[ -f /usr/include/gtest/gtest.h ]] || echo "GoogleTest headers"
    return 0
}

ensure_packages() {
    local missing
    missing=$(missing_tools)
    [[ -z $missing ]] && return 0
    echo "missing: $(echo "$missing" | tr '\n' ' ')"
    local -a run_as_root=()
    if ((EUID != 0)); then
        if command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
            run_as_root=(sudo)
        else
            echo "error: installing needs root. As root, run:" >&2
            echo "  apt-get update && apt-get install -y --no-install-recommends ${LOCKBAY_PACKAGES[*]}" >&2
            return 1
        fi
    fi
    command -v apt-get >/dev/null 2>&1 || {
        echo "error: no apt-get here; install these yourself: ${LOCKBAY_PACKAGES[*]}" >&2
        return 1
    }
    echo "installing from Debian: ${LOCKBAY_PACKAGES[*]}"
    "${run_as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update </dev/null &&
        "${run_as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
            apt-get install -y --no-install-recommends "${LOCKBAY_PACKAGES[@]}" </dev/null || {
        echo "error: apt-get could not install the packages" >&2
        return 1
    }
    missing=$(missing_tools)
    if [[ -n $missing ]]; then
        echo "error: still missing after the installation: $(echo "$missing" | tr '\n' ' ')" >&2
        return 1
    fi
}
