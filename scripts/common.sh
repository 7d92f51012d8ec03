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

# rv_ecusim_machine_args DEFINITION: the ecusim options that make it the ECU
# of the machine whose (plain text) definition file is given, one a line:
# the identification and command set RV_Tune expects of it (the first
# "RecognitionCode" of [Individual Information]: its first letter "D" means
# command set A, any other B; the next two characters are the identification
# bytes; without one RV_Tune expects "M1" and set B, ecusim's own defaults),
# then one --item per [Diag.Com] item, so that monitor items answering one
# byte are named to it (its own default for 01-0F is two bytes).
rv_ecusim_machine_args() {
    tr -d '\r' < "$1" | awk -F, '
        function trim(s) { gsub(/^[ \t]+|[ \t]+$/, "", s); return s }
        /^[ \t]*;/ { next }
        /^[ \t]*\[/ { section = tolower(trim($0)); gsub(/^\[[ \t]*|[ \t]*\]$/, "", section); next }
        section == "individual information" && !found && tolower(trim($1)) == "recognitioncode" {
            code = trim(substr($0, index($0, ",") + 1))
            if (length(code) > 2) {
                found = 1
                print "--set"; print (substr(code, 1, 1) ~ /^[Dd]$/ ? "A" : "B")
                print "--id"; print substr(code, 2, 2)
            }
            next
        }
        section == "diag.com" && NF >= 7 {
            item = $2; size = $5; gsub(/ /, "", item); gsub(/ /, "", size)
            print "--item"; print item ":" size
        }'
}
