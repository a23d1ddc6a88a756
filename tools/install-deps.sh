#!/bin/sh
# Installs the Debian packages that Muralix needs to build, run and test.
# Runs apt-get as root, through sudo when started by another user.
set -e
PACKAGES="
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6svg6-dev qt6-pdf-dev qt6-image-formats-plugins qt6-translations-l10n libgl-dev
  libjpeg62-turbo-dev libpng-dev libgif-dev libtiff-dev libdxflib-dev
  libsane-dev libsane1 sane-utils ghostscript
  libgtest-dev libgmock-dev
  fonts-dejavu-core fonts-urw-base35 python3 libjpeg-turbo-progs
  qt6-wayland sane-airscan dpkg-dev file groff-base
  desktop-file-utils appstream shared-mime-info xdg-utils libglib2.0-bin
  libheif-dev libheif1 libde265-0 libwebp-dev liblcms2-dev libexif-dev
  libheif-examples webp poppler-utils
  xvfb openbox xdotool x11-utils imagemagick
"
if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --no-install-recommends $PACKAGES >/dev/null
