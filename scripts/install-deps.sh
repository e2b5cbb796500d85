#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests and the benchmarks need:
#   scripts/install-deps.sh        what CI and the README's commands need
#   scripts/install-deps.sh fuzz   also clang and its runtimes, for the fuzz
#                                  targets (scripts/build-fuzz.sh)
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config clang-format
  libembree-dev libassimp-dev nlohmann-json3-dev libstb-dev libpng-dev libcli11-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libopenexr-dev libxxhash-dev parallel
  # Models nobody here made, for the import sweep (skipped where absent)
  assimp-testmodels
  # A single-node Slurm for the array job's test (tests/farm/).
  slurmctld slurmd slurm-client
  # minihost serve: its web server, and the browser its page is tested in
  libcpp-httplib-dev chromium chromium-driver python3-selenium
)
if [ "${1:-}" = fuzz ]; then
  packages+=(clang libclang-rt-dev)
fi
if [ "$(id -u)" -ne 0 ]; then
  exec sudo "$0" "$@"
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${packages[@]}"
