#!/bin/sh
# Installs what building, running and testing Marbolt needs on Debian 12.
set -e
PKGS="cmake ninja-build g++ qt6-base-dev qt6-translations-l10n libqscintilla2-qt6-dev libqt6opengl6-dev libgl-dev libgl1-mesa-dri libgtest-dev libdtl-dev \
      xvfb xdotool xclip imagemagick fonts-ipafont-gothic ser2net \
      desktop-file-utils appstream shared-mime-info dpkg-dev file man-db systemd \
      libqt6sql6-sqlite libqt6sql6-psql postgresql"
missing=""
for p in $PKGS; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
$SUDO apt-get update
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $missing
