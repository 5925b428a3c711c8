#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing.
# Never wine32 nor the i386 architecture: the 64-bit programs run under 64-bit Wine.
set -euo pipefail

packages=(cmake make g++ libgtest-dev g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools
          wine wine64 xvfb xauth clang clang-format libclang-rt-14-dev nsis wixl msitools nlohmann-json3-dev
          ansible-core)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    # shellcheck source=apt-tries.sh
    . "$(dirname "$0")/apt-tries.sh"
    update() { apt_root update -q; }
    install_missing() {
        DEBIAN_FRONTEND=noninteractive apt_root install -y -q --no-install-recommends "${missing[@]}"
    }
    apt_tries update install_missing
fi
