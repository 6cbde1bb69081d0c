#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program on its default data directory.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
install_missing
configure_and_build -DCMAKE_BUILD_TYPE=RelWithDebInfo
if [ -x "$BUILD_DIR/app/veltrano" ]; then
  DATA_DIR="${VELTRANO_DATA:-$HOME/veltrano-data}"
  mkdir -p "$DATA_DIR"
  step "starting veltrano on $DATA_DIR"
  exec "$BUILD_DIR/app/veltrano" --data "$DATA_DIR" "$@"
fi
step "the desktop program is not built yet; the command-line tool answers:"
exec "$BUILD_DIR/tools/wlk/wlk" --version
