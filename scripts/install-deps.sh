#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests and the benchmarks need.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config clang-format
  libembree-dev libtinyobjloader-dev nlohmann-json3-dev libstb-dev libpng-dev libcli11-dev
  libgtest-dev libgmock-dev libbenchmark-dev
)
if [ "$(id -u)" -ne 0 ]; then
  exec sudo "$0" "$@"
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${packages[@]}"
