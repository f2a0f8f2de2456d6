#!/usr/bin/env bash
# Builds the Qt for Windows that the cross builds use, when no ready one is at
# hand: Qt 6.4.2's qtbase (Core, Gui, Widgets, Test; the windows, offscreen
# and minimal platform plugins, the windowsvista style) from Debian 12's own
# qt6-base source package, with Debian's MinGW-w64 g++ (posix threads) and
# Debian's host Qt tools (moc, rcc, uic) as QT_HOST_PATH.
#
#   packaging/windows/build-qt-mingw.sh x86_64|i686 PREFIX [WORKDIR]
#
# About 20 minutes per architecture on 2 cores. Needs deb-src access to the
# Debian archive (added when missing) and root for apt-get.
set -euo pipefail
arch=${1:?usage: $0 x86_64|i686 PREFIX [WORKDIR]}
prefix=${2:?usage: $0 x86_64|i686 PREFIX [WORKDIR]}
work=${3:-${TMPDIR:-/tmp}/pellix-qt-mingw}
here=$(cd "$(dirname "$0")" && pwd)
toolchain=$here/mingw-w64-$arch.cmake
[ -f "$toolchain" ] || { echo "build-qt-mingw: no toolchain file for $arch" >&2; exit 2; }
version=6.4.2
source_dir=qtbase-everywhere-src-$version

mkdir -p "$work"
cd "$work"
if [ ! -d "$source_dir" ]; then
    if ! grep -rqs '^Types:.*deb-src\|^deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/; then
        printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: bookworm\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
            > /etc/apt/sources.list.d/pellix-debian-src.sources
        apt-get update -qq
    fi
    apt-get source --download-only "qt6-base=$version+dfsg-10"
    tar xf "qt6-base_$version+dfsg.orig.tar.xz"
    # With OpenGL off, 6.4.2's windows platform plugin still asks for the
    # dynamic-GL context in one place.
    sed -i 's/^#if QT_CONFIG(dynamicgl)$/#if QT_CONFIG(dynamicgl) \&\& QT_CONFIG(opengl)/' \
        "$source_dir/src/plugins/platforms/windows/qwindowswindow.cpp"
fi

build=$work/build-$arch
cmake -S "$source_dir" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DQT_HOST_PATH=/usr \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
    -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF \
    -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_tabletevent=OFF \
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_freetype=OFF \
    -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_libpng=OFF -DFEATURE_system_jpeg=OFF \
    -DINPUT_openssl=no
cmake --build "$build" --parallel "$(nproc)"
cmake --install "$build" --strip
# Qt's toolchain file chains to the one it was configured with: make it the
# copy inside the tree, so that the tree may move.
cp "$toolchain" "$prefix/mingw-w64-$arch.cmake"
sed -i "s|set(__qt_initially_configured_toolchain_file \"[^\"]*\")|set(__qt_initially_configured_toolchain_file \"\${CMAKE_CURRENT_LIST_DIR}/../../../mingw-w64-$arch.cmake\")|" \
    "$prefix/lib/cmake/Qt6/qt.toolchain.cmake"
echo "Qt $version for Windows ($arch) in $prefix"
