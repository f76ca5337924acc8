#!/usr/bin/env bash
# Installs every Debian package the project needs. Fast when all are present.
set -euo pipefail

PACKAGES=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev
    libgtest-dev libgmock-dev libbenchmark-dev libssl-dev libsodium-dev zlib1g-dev libzxcvbn-dev
    xvfb xauth trayer
    dbus-daemon dbus-session-bus-common
    desktop-file-utils appstream file shared-mime-info libglib2.0-bin
    clang libclang-rt-14-dev python3-nacl
)

missing=()
for pkg in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$pkg")
    fi
done

if ((${#missing[@]} == 0)); then
    exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [[ $(id -u) -ne 0 ]]; then
    SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
