#!/usr/bin/env bash
# Builds the Debian package from the tree: a Release build with Debian's hardening flags, the
# two programs and what an installation holds beside them, made into build-package/veltrano_*.deb
# by CPack, then checked: what it must hold, and lintian without errors.
# BUILD_DIR chooses the build folder (default build-package); further arguments go to cmake.
ROOT_FOR_DEFAULT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export BUILD_DIR="${BUILD_DIR:-$ROOT_FOR_DEFAULT/build-package}"
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
PACKAGES+=(lintian)
install_missing

# Debian's own flags (optimisation, stack protector, fortified calls, read-only relocations
# bound at start), as a package built by Debian's tools would have them. CMake reads no CPPFLAGS,
# so they go with the compiler's flags.
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
step "configuring in $BUILD_DIR"
cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELTRANO_BENCH=OFF \
  -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON "-DCMAKE_CXX_FLAGS=$CPPFLAGS $CXXFLAGS" \
  "-DCMAKE_EXE_LINKER_FLAGS=$LDFLAGS" "$@" || die "cmake could not configure the build (see above)"
step "building the programs"
cmake --build "$BUILD_DIR" -j "$(nproc)" --target veltrano wlk veltrano_package_files ||
  die "the build failed (see the first error above)"
step "making the package"
rm -f "$BUILD_DIR"/veltrano_*.deb
(cd "$BUILD_DIR" && cpack -G DEB) || die "cpack could not make the package (see above)"
deb="$(ls "$BUILD_DIR"/veltrano_*.deb)"

step "checking what $deb holds"
contents="$(dpkg-deb -c "$deb" | awk '{print $6}')"
for wanted in ./usr/bin/veltrano ./usr/bin/wlk ./usr/share/veltrano/veltrano.ENV \
  ./usr/share/applications/veltrano.desktop ./usr/share/icons/hicolor/scalable/apps/veltrano.svg \
  ./usr/share/icons/hicolor/{16x16,32x32,48x48,64x64,128x128,256x256}/apps/veltrano.png \
  ./usr/share/man/man1/veltrano.1.gz ./usr/share/man/man1/wlk.1.gz \
  ./usr/share/doc/veltrano/copyright ./usr/share/doc/veltrano/changelog.gz \
  ./usr/share/doc/veltrano/guide.md ./usr/share/doc/veltrano/guide/images/main_frame.png; do
  grep -qxF "$wanted" <<<"$contents" || die "the package lacks $wanted (is pandoc missing?)"
done
version="$(dpkg-deb -f "$deb" Version)"
grep -q "^project(veltrano VERSION $version " "$ROOT/CMakeLists.txt" ||
  die "the package's version $version is not the project's"

step "lintian"
lintian --fail-on error --info "$deb" || die "lintian found errors in $deb (see above)"
step "made $deb"
