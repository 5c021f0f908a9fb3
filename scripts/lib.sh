# Shared by scripts/run and scripts/test: package installation and the build.
# Sourced, not run.

root_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

say() { printf '==> %s\n' "$*"; }
die() { printf 'error: %s\n' "$*" >&2; exit 1; }

as_root() {
    if [ "$(id -u)" = 0 ]; then
        "$@"
    elif command -v sudo >/dev/null; then
        sudo "$@"
    else
        die "need root to run: $* (install sudo or run as root)"
    fi
}

# What the program needs to build and run, and what its tests need besides.
build_packages=(cmake ninja-build g++ qt6-base-dev libgl-dev firebird-dev libfbclient2
                firebird3.0-server-core firebird3.0-utils)
test_packages=(libgtest-dev libgmock-dev clang libclang-rt-14-dev firebird3.0-server
               xvfb xauth ccache)
# What the accessibility tests need besides: a session bus, the AT-SPI
# accessibility bus and registry, and a screen reader's client library.
test_packages+=(dbus-daemon dbus-bin at-spi2-core python3-pyatspi)
# And Qt's GTK platform theme, through which the program takes a desktop's
# dark theme.
test_packages+=(qt6-gtk-platformtheme)
# And the tool that tells a test's X server the desktop's font resolution,
# as a desktop does, for the 2x screen.
test_packages+=(x11-utils)
# What scripts/screenshots needs besides the build: an X server, a way to
# click and type into the program, and the screenshot tool.
screenshot_packages=(xvfb xauth xdotool imagemagick)
# What the benchmarks need besides: Qt's own Firebird driver for the peer.
bench_packages=(libqt6sql6-ibase)
# What scripts/package needs besides the build: the icon renderer, CPack's
# dependency finder and the checks of the package.
package_packages=(librsvg2-bin dpkg-dev file desktop-file-utils appstream lintian)

ensure_packages() {
    local missing=()
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    say "installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    as_root apt-get update -q </dev/null
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}" </dev/null
}

# use_compiler_cache: compiles through ccache where it is installed, so that a
# build after the first one on a machine recompiles only what changed. A build
# folder configured without it takes it at its next configure and so compiles
# everything once more; settings already in the environment win.
use_compiler_cache() {
    command -v ccache >/dev/null || return 0
    export CMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER:-ccache}
    export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}
    export CCACHE_DIR=${CCACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/ccache}
    export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root_dir}
}

# The two test trees' options, shared by every script that builds in them so
# that none reconfigures (and rebuilds) a tree another one made.
# ASan's own advice is -O1, and its reports need no more debug information
# than line tables and function names (-g1): together they cut the sanitized
# tree's compile time by about a third. The benchmarks compile in the plain
# tree. Nobody debugs the plain tree's programs, so it spends no compile time
# on debug information.
sanitized_tree_options=(-DVELTOR_SANITIZE=ON -DVELTOR_TESTS=ON -DVELTOR_BENCH=OFF
    "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG")
plain_tree_options=(-DVELTOR_TESTS=ON -DVELTOR_BENCH=ON
    "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -DNDEBUG")

# build DIR [cmake options...]
build() {
    local dir=$1
    shift
    cmake -S "$root_dir" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir"
}
