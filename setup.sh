#!/usr/bin/env bash
# Kestrune's set-up on Debian 12: installs what is missing, builds, then
#   ./setup.sh run    launches the program
#   ./setup.sh test   runs the whole test suite (exit status non-zero on any failure)
#   ./setup.sh build  only builds
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"

mode=${1:-run}
case "$mode" in run|test|build) ;; *) echo "usage: $0 [run|test|build]" >&2; exit 2 ;; esac
build_dir=${KESTRUNE_BUILD_DIR:-build}

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev libgl-dev libxcb1-dev libsqlite3-dev sqlite3
  libgtest-dev libbenchmark-dev
  fonts-liberation2 xvfb xauth xdotool file desktop-file-utils appstream
  openbox trayer wmctrl x11-utils
  dbus-daemon dbus-bin at-spi2-core python3-pyatspi python3-gi
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if [ ! -f "$build_dir/build.ninja" ]; then
  cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build_dir"

case "$mode" in
  run)
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
      echo "No display found: to run Kestrune on a virtual one, use: xvfb-run -a $build_dir/app/kestrune" >&2
      exit 1
    fi
    exec "$build_dir/app/kestrune"
    ;;
  test)
    ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)"
    ;;
esac
