#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
# BUILD_DIR chooses the build folder; further arguments go to cmake (e.g. -DVELTRANO_SANITIZE=ON).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
install_missing
configure_and_build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTRANO_WERROR=ON "$@"
step "running the tests"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)" --timeout 900 ||
  die "some tests failed (see the output above)"
