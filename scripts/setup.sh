#!/usr/bin/env bash
# Installs what the build, the tests and the program need on Debian 12, and only what is missing.
set -euo pipefail

# The program itself needs the Japanese font, Qt's Japanese translation and, on a Wayland-only
# desktop, Qt's Wayland platform plugin; the installation test checks the desktop files with the
# validators of desktop-file-utils and appstream; the page benchmark compares against libjpeg-turbo's djpeg, libwebp's dwebp and libavif's avifdec;
# the end-to-end test reads the program over the accessibility bus (dbus, at-spi2-core, python3-pyatspi);
# tests/wm_ping.py watches the window for freezes over X (python3-xlib); tests/no_bus_xvfb.sh checks
# that the program starts no session bus of its own where libdbus would autolaunch one (dbus-x11).
packages=(cmake ninja-build g++ pkg-config qt6-base-dev libgl-dev libgtest-dev
          libjpeg62-turbo-dev liblcms2-dev zlib1g-dev libpng-dev libwebp-dev libavif-dev webp libavif-bin xvfb xauth x11-utils imagemagick xdotool python3 fonts-ipafont-gothic util-linux
          qt6-wayland qt6-translations-l10n desktop-file-utils appstream libjpeg-turbo-progs
          dbus dbus-x11 at-spi2-core python3-pyatspi python3-xlib)

bash "$(dirname "$0")/install_missing.sh" "${packages[@]}"
