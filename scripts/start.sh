#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program on its default data directory
# ($VELTRANO_DATA, else ~/veltrano-data; the program creates it on its first start).
#
#   scripts/start.sh [--virtual-display] [program arguments…]
#
# With --virtual-display the program runs on a virtual screen of its own (Xvfb with a window
# manager), for a machine without one; it ends when the program ends.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

virtual_display=0
if [ "${1:-}" = "--virtual-display" ]; then
  virtual_display=1
  shift
fi

install_missing
configure_and_build -DCMAKE_BUILD_TYPE=RelWithDebInfo
PROGRAM="$BUILD_DIR/app/program/veltrano"
[ -x "$PROGRAM" ] || die "the build made no $PROGRAM (is Qt 6 installed?)"

if [ "$virtual_display" -eq 1 ]; then
  step "starting veltrano on a virtual display"
  exec xvfb-run --auto-servernum --server-args="-screen 0 1280x900x24" \
    bash -c 'openbox & exec "$@"' veltrano "$PROGRAM" "$@"
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  die "there is no display to show the program on (neither DISPLAY nor WAYLAND_DISPLAY is set).
Run it from a desktop session, over ssh -X, or on a virtual display:
    $0 --virtual-display"
fi
step "starting veltrano"
exec "$PROGRAM" "$@"
