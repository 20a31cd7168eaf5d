#!/usr/bin/env bash
# Builds the Debian package with CPack, installs it with apt, checks the desktop entry and the
# AppStream metadata it installed, and runs the installed program: --version, --help and one
# start on a virtual display, whose settings go to the user's folder. Removes the package again.
#   scripts/package.sh [BUILD_DIR]    (a configured and built tree; default build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-${VELMOR_BUILD_DIR:-build}}
sudo_cmd=""
[ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"

out=$(mktemp -d /tmp/velmor-package.XXXXXX)
installed=0
cleanup() {
  [ "$installed" = 1 ] && $sudo_cmd apt-get purge -y -qq velmor >/dev/null 2>&1 || true
  rm -rf "$out"
}
trap cleanup EXIT

echo "== package: cpack -G DEB"
cmake --build "$build" --target velmor velmor_man >/dev/null
(cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log") || { cat "$out/cpack.log"; exit 1; }
deb=$(ls "$out"/velmor_*.deb)
dpkg-deb -f "$deb" Package Version Depends

echo "== package: apt-get install $(basename "$deb")"
# Its dependencies are the build's: nothing needs downloading. Wait for a dpkg run of the set-up.
DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq -o DPkg::Lock::Timeout=120 \
  "$deb" >"$out/apt.log" 2>&1 || { cat "$out/apt.log"; exit 1; }
installed=1
[ "$(command -v velmor)" = /usr/bin/velmor ] || { echo "velmor is not /usr/bin/velmor"; exit 1; }

echo "== package: the installed files"
desktop-file-validate /usr/share/applications/org.velmor.Velmor.desktop
appstreamcli validate --no-net /usr/share/metainfo/org.velmor.Velmor.metainfo.xml
for size in 16 22 24 32 48 64 128 256; do
  [ "$(identify -format %wx%h "/usr/share/icons/hicolor/${size}x${size}/apps/velmor.png")" = \
    "${size}x${size}" ] || { echo "no ${size}x${size} icon"; exit 1; }
done
man -l /usr/share/man/man1/velmor.1.gz 2>/dev/null | grep -q -- '--batch' ||
  zcat /usr/share/man/man1/velmor.1.gz | grep -q -- 'batch' || { echo "no manual page"; exit 1; }

echo "== package: the installed program"
env -u DISPLAY velmor --version
env -u DISPLAY velmor --help >/dev/null
bash tests/e2e/run-on-xvfb.sh tests/e2e/installed_program.sh /usr/bin/velmor
echo "package: ok"
