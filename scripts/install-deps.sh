#!/usr/bin/env bash
# Installs every Debian 12 package the project needs to build, test and run.
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
pkgs=(cmake ninja-build g++ pkg-config
      qt6-base-dev libgl-dev
      libusb-1.0-0-dev libfftw3-dev libxlsxwriter-dev libzip-dev
      libsigrokdecode-dev   # the protocol decoders of the logic inputs
      googletest libgtest-dev libgmock-dev libbenchmark-dev
      xvfb
      python3-openpyxl      # reads the data output workbooks back in the tests
      sigrok-cli            # reads the exported captures back in the tests
      gtkwave               # its vcd2fst/fst2vcd read the VCD exports back in the tests
      dpkg-dev lintian desktop-file-utils appstream  # build and check the Debian package
      clang libclang-rt-14-dev)                      # the libFuzzer targets (scripts/fuzz.sh)
missing=()
for p in "${pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
