#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build, run and test Voltaris.
# Idempotent: packages already present are left alone, so a second run costs nothing.
set -euo pipefail

APT_PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-charts-dev qt6-qpa-plugins libqt6opengl6-dev libgl-dev libxkbcommon-dev
  nlohmann-json3-dev libgtest-dev libbenchmark-dev
  xvfb xauth fonts-dejavu-core
  # 3D SEI view: the embedded browser and its page channel; npm fetches the pinned plotly bundle
  qt6-webengine-dev qt6-webchannel-dev libqt6webenginecore6-bin
  # AI assistant: HTTPS client; the tests' loopback stand-in for the service
  libcurl4-openssl-dev libcpp-httplib-dev
  # report checks: the real PDF tools; report artwork
  qpdf poppler-utils imagemagick
  # sweeps across machines; sanitizer and fuzzing builds
  parallel clang libclang-rt-14-dev
  ccache
)

# npm: Debian's package, unless the machine already has a Node.js with its own npm.
if ! command -v npm >/dev/null 2>&1; then APT_PACKAGES+=(npm); fi

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

# Browser-side assets (the plotly bundle of the 3D view), exactly as pinned in package-lock.json.
cd "$(dirname "$0")/.."
want=$(node -p 'require("./package-lock.json").packages["node_modules/plotly.js-gl3d-dist-min"].version')
have=$(node -p 'try { require("./node_modules/plotly.js-gl3d-dist-min/package.json").version } catch (e) { "" }')
if [ "$want" != "$have" ] || [ ! -f node_modules/plotly.js-gl3d-dist-min/plotly-gl3d.min.js ]; then
  echo "install-deps: npm ci"
  npm ci --no-audit --no-fund --loglevel=error
fi
