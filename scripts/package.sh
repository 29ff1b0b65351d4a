#!/usr/bin/env bash
# Builds the Debian package in build-package (a Release build with Debian's
# hardening flags) and prints the path of the .deb.
#   scripts/package.sh --screenshots   also copies the panel renders of the test
#                                      build into build-package/screenshots, to be
#                                      published where the metainfo points
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh >&2

dir=build-package
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DZALDO_BUILD_TESTS=OFF \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >&2
cmake --build "$dir" -j"$(nproc)" >&2
rm -f "$dir"/*.deb
(cd "$dir" && cpack -G DEB >&2)

if [ "${1:-}" = "--screenshots" ]; then
    # The render test of the normal test build draws the panel in every language.
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZALDO_BUILD_TESTS=ON >&2
    cmake --build build -j"$(nproc)" --target tst_mainviewrender >&2
    QT_QPA_PLATFORM=offscreen ctest --test-dir build -R '^tst_mainviewrender$' >&2
    mkdir -p "$dir/screenshots"
    cp build/tests/ui/render/panel_en.png build/tests/ui/render/panel_en_menu.png \
        build/tests/ui/render/curve_editor_en.png "$dir/screenshots/"
fi
ls "$PWD/$dir"/brenvar-rgb-fan-controller_*.deb
