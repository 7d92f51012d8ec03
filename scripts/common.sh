# Shared by scripts/demo and scripts/test: packages and the build.
# shellcheck shell=bash

RV_PACKAGES=(cmake g++ ninja-build pkg-config qt6-base-dev qt6-qpa-plugins libgl-dev
             libgtest-dev libgmock-dev libbenchmark-dev mscompress xauth xvfb)

rv_ensure_packages() {
    local missing=()
    for package in "${RV_PACKAGES[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$package")
        fi
    done
    if ((${#missing[@]})); then
        echo "Installing: ${missing[*]}"
        local sudo=""
        if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
    fi
}

# rv_build DIR [cmake options...]: configures once, then builds what changed.
rv_build() {
    local dir="$1"
    shift
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake -S . -B "$dir" -G Ninja "$@"
    fi
    cmake --build "$dir" -j "$(nproc)"
}
