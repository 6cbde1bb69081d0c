# Shared by the scripts: install what is missing, configure and build.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
PACKAGES=(build-essential cmake ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          libsqlite3-dev qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libgl1-mesa-dev
          fonts-dejavu-core poppler-utils librsvg2-bin pandoc xvfb xauth xdotool openbox
          libxlsxwriter-dev python3-openpyxl zlib1g-dev)

step() { printf '\n== %s\n' "$*"; }
die() { printf '\nFAILED: %s\n' "$*" >&2; exit 1; }

install_missing() {
  local missing=()
  for package in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
      missing+=("$package")
  done
  if [ ${#missing[@]} -eq 0 ]; then
    return 0
  fi
  step "installing ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get update -qq || die "apt-get update did not work (network or permissions?)"
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}" ||
    die "could not install: ${missing[*]}"
}

configure_and_build() {
  step "configuring in $BUILD_DIR"
  cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja "$@" || die "cmake could not configure the build (see above)"
  step "building"
  cmake --build "$BUILD_DIR" -j "$(nproc)" || die "the build failed (see the first error above)"
}
