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

# What building and running the program need; the suite needs the rest.
packages=(g++ cmake ninja-build pkg-config qt6-base-dev libgl-dev libxcb1-dev libsqlite3-dev fonts-liberation2)
[ "$mode" = run ] || packages+=(
  sqlite3 libgtest-dev libbenchmark-dev faketime
  xvfb xauth xdotool file desktop-file-utils appstream
  openbox trayer wmctrl x11-utils
  dbus-daemon dbus-bin at-spi2-core python3-pyatspi python3-gi qt6ct
)
tools/install-packages "${packages[@]}"

if [ "$mode" = run ]; then
  # Only the program: the suite's targets wait for ./setup.sh test.
  [ -f "$build_dir/build.ninja" ] || cmake --preset default -B "$build_dir" -DKESTRUNE_TESTS=OFF
  cmake --build "$build_dir" --target kestrune
else
  # Configured again where a run left the suite out, or the benchmarks' library was missing then.
  if [ ! -f "$build_dir/build.ninja" ] || ! grep -q '^KESTRUNE_TESTS:BOOL=ON' "$build_dir/CMakeCache.txt"; then
    cmake --preset default -B "$build_dir" -DKESTRUNE_TESTS=ON
  fi
  cmake --build "$build_dir"
fi

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
