# SPDX-FileCopyrightText: 2026 Quelix developers
# SPDX-License-Identifier: MIT
# Shared by scripts/test and scripts/run: the Debian 12 packages the project needs, and
# an installer that adds only the missing ones.

QUELIX_PACKAGES=(
    cmake ninja-build g++ pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev qt6-charts-dev libqt6opengl6-dev libgl-dev
    libsimpleini-dev nlohmann-json3-dev libcli11-dev
    clang libclang-rt-14-dev clang-format
    fonts-ipafont-gothic xvfb xauth xdg-utils time poppler-utils
    pybind11-dev python3-dev python3-pytest python3-numpy python3-pandas python3-matplotlib
    # the Debian package (scripts/package) and the pip install of the Python module
    help2man dpkg-dev file lintian appstream python3-pip python3-venv python3-setuptools
    python3-wheel
)

# The page (scripts/build-web) and its browser tests: the WebAssembly compiler and Chromium.
QUELIX_WEB_PACKAGES=(emscripten chromium)

# ensure_packages [PACKAGE...]: installs those of the packages (default QUELIX_PACKAGES)
# that are missing.
ensure_packages() {
    local missing=()
    local pkg
    local wanted=("$@")
    [ ${#wanted[@]} -eq 0 ] && wanted=("${QUELIX_PACKAGES[@]}")
    for pkg in "${wanted[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing packages: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
}
