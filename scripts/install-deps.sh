#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build, run and test Voltaris.
# Idempotent: packages already present are left alone, so a second run costs nothing.
set -euo pipefail

APT_PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-charts-dev qt6-qpa-plugins libqt6opengl6-dev libgl-dev libxkbcommon-dev
  nlohmann-json3-dev libgtest-dev libbenchmark-dev
  xvfb xauth fonts-dejavu-core
)

missing=()
for p in "${APT_PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  echo "install-deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
