# Shared by scripts/run and scripts/test: installs what the build needs and
# configures and builds a build directory. Sourced, not run.

CORVANTIS_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
CORVANTIS_JOBS=${CORVANTIS_JOBS:-2}

# What building the program and its tests needs (Qt 6 Widgets brings the GL
# headers it links against, and qt6-base-dev holds Print Support too; the
# tests read exported pages back with libxml2's HTML parser).
BUILD_PACKAGES=(cmake make g++ qt6-base-dev libgtest-dev libgmock-dev libxml2-dev desktop-file-utils appstream dpkg-dev
                file)
# The benchmarks and the peer XML libraries they compare with.
BENCH_PACKAGES=(libbenchmark-dev libpugixml-dev libxml2-dev libexpat1-dev)
# The start-and-kill stress drives the real program on a virtual display.
STRESS_PACKAGES=(xvfb xdotool)
# libFuzzer and the sanitizer runtimes come with clang's runtime package.
FUZZ_PACKAGES=(clang libclang-rt-14-dev)

# Installs those of the named Debian packages that are not installed yet; a
# ready machine never touches apt.
install_missing_packages() {
    local missing=() package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return 0
    fi
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing Debian packages: ${missing[*]}; run this as root to install them." >&2
        return 1
    fi
    echo "==> Installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# configure DIR [cmake options...]: DIR is relative to the repository.
configure() {
    local dir=$1
    shift
    echo "==> Configuring $dir $*"
    cmake -S "$CORVANTIS_ROOT" -B "$CORVANTIS_ROOT/$dir" "$@"
}

# build DIR [targets...]: every target when none is named.
build() {
    local dir=$1
    shift
    echo "==> Building $dir $*"
    if [ $# -gt 0 ]; then
        set -- --target "$@"
    fi
    cmake --build "$CORVANTIS_ROOT/$dir" -j "$CORVANTIS_JOBS" "$@"
}

configure_and_build() {
    configure "$@"
    build "$1"
}
