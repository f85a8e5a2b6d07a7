#!/usr/bin/env bash
# Packs the release files of each built target into dist/: the library, its
# header (also as plain C declarations for foreign function interfaces), the
# API reference, the demo with its sample world, the Python example (Linux:
# the pygame and LÖVE ones too) and a short README. A target that was not
# built is left out.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
stage=build/dist
rm -rf "$stage" && mkdir -p "$stage" dist

common() {  # the files every package has
    local dir=$1
    mkdir -p "$dir/assets" "$dir/examples/python"
    cp include/velmora.h include/velmora_ffi.h docs/API.md docs/FONT-LICENSE.txt "$dir/"
    [ -d examples/python ] && cp examples/python/*.py "$dir/examples/python/" || true
}

windows() {
    local arch=$1 bits=$2 name=velmora-$1
    [ -e build/$arch/Velmora.dll ] || return 0
    local dir=$stage/$name
    common "$dir"
    cp build/$arch/Velmora.dll build/$arch/libVelmora.dll.a src/engine/Velmora.def \
        build/$arch/demo/velmora_demo.exe "$dir/"
    cp build/$arch/demo/assets/* "$dir/assets/"
    sed "s/@BITS@/$bits/g" demo/README-dist.txt > "$dir/README.txt"
    rm -f dist/$name.zip
    (cd $stage && zip -qr9 ../../dist/$name.zip $name)
    echo "dist/$name.zip"
}

linux() {
    local name=velmora-linux-x86_64
    [ -e build/linux/libvelmora.so ] || return 0
    local dir=$stage/$name
    common "$dir"
    cp -P build/linux/libvelmora.so* "$dir/"
    mkdir -p "$dir/examples/pygame" "$dir/examples/love"
    cp examples/pygame/*.py "$dir/examples/pygame/"
    cp examples/love/*.lua "$dir/examples/love/"
    [ -e build/linux/demo/velmora_demo ] && cp build/linux/demo/velmora_demo "$dir/"
    cp build/linux/demo/assets/* "$dir/assets/"
    cp demo/README-linux.txt "$dir/README.txt"
    tar -C $stage -czf dist/$name.tar.gz $name
    echo "dist/$name.tar.gz"
}

web() {
    local name=velmora-web
    [ -e build/web/velmora.wasm ] || return 0
    local dir=$stage/$name
    mkdir -p "$dir"
    cp build/web/velmora.js build/web/velmora.wasm docs/API.md docs/FONT-LICENSE.txt "$dir/"
    if [ -d build/web/demo ]; then
        mkdir -p "$dir/demo"
        cp -r build/web/demo/{index.html,demo.js,velmora.js,velmora.wasm,assets} "$dir/demo/"
    fi
    rm -f dist/$name.zip
    (cd $stage && zip -qr9 ../../dist/$name.zip $name)
    echo "dist/$name.zip"
}

windows win32 32
windows win64 64
linux
web
