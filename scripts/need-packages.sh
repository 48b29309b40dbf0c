# Sourced by the scripts beside it.
# need_packages PKG...: installs the Debian packages that are missing when run
# as root, else names them and stops.
need_packages() {
    local missing=() pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing Debian packages; install them with:" >&2
        echo "  sudo apt-get install ${missing[*]}" >&2
        exit 1
    fi
    echo "Installing ${missing[*]}" >&2
    apt-get update -qq >&2 &&
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >&2
}

# What building the tool and the simulated card needs.
tool_packages=(cmake g++ ninja-build)

# What every build of the tool and its tests needs; scripts/test adds what
# each cross target needs.
base_packages=(cmake g++ ninja-build googletest python3 binutils valgrind mandoc)

# What the sanitizer build, its fuzzer and the static analysis need.
analysis_packages=(clang libclang-rt-14-dev clang-tidy cppcheck)
