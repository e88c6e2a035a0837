#!/usr/bin/env bash
# Installs what the build, the tests and the main job need on a fresh Debian 12 machine.
# Only packages that are missing are installed, so a ready machine spends no time here.
set -euo pipefail

packages=(
  g++ clang libclang-rt-14-dev cmake ninja-build pkg-config
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libicu-dev libfreetype-dev libharfbuzz-dev libpng-dev
  fonts-ipafont-gothic fonts-ipafont-mincho fonts-dejavu-core
  fonts-urw-base35 fonts-ocr-b
)
# The SNMP client library and the agent the printer simulator runs.
packages+=(libsnmp-dev snmpd snmp)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
