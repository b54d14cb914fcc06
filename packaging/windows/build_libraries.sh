#!/usr/bin/env bash
# Cross-builds the libraries the show links on Windows, as static libraries, from Debian's own
# source packages: zlib, libpng, libjpeg-turbo, libmad, SDL 1.2 and SDL_mixer 1.2 (MP3 through
# libmad only). The sources come through an apt configuration kept in DIR, never the machine's.
#
#   build_libraries.sh DIR
#
# Installs everything under DIR/prefix. DIR/versions names the source versions of that build:
# a later run rebuilds only when the archive offers other versions (or the recipes here
# change), and with no archive in reach it keeps the build it has.
set -euo pipefail
dir=$(mkdir -p "$1" && cd "$1" && pwd)
recipes=$(cd "$(dirname "$0")" && pwd)
host=x86_64-w64-mingw32
prefix=$dir/prefix
jobs=$(nproc)

# Package and suite. bookworm's libmad diff is no longer in the archive; trixie's builds.
libraries=(zlib/bookworm libpng1.6/bookworm libjpeg-turbo/bookworm libmad/trixie
    libsdl1.2/bookworm sdl-mixer1.2/bookworm)

apt_dir=$dir/apt
apt_options=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$apt_dir/sources"
    -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache="$apt_dir/cache"
    -o Dir::State::status=/dev/null -o Debug::NoLocking=1 -o APT::Sandbox::User=root)
mkdir -p "$apt_dir/sources" "$apt_dir/lists/partial" "$apt_dir/cache"
cat >"$apt_dir/sources/debian.sources" <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm trixie
Components: main
EOF

# The versions the archive offers now, and the recipes' own fingerprint.
wanted=$dir/versions.wanted
if apt-get "${apt_options[@]}" -qq update 2>"$dir/apt.log"; then
    for library in "${libraries[@]}"; do
        version=$(apt-get "${apt_options[@]}" -qq --print-uris source "$library" 2>/dev/null |
            awk '$2 ~ /\.dsc$/ { sub(/\.dsc$/, "", $2); print $2 }')
        [ -n "$version" ] || { echo "no source for $library in the archive" >&2; exit 1; }
        echo "$version"
    done >"$wanted"
elif [ -f "$dir/versions" ]; then
    echo "build_libraries: the archive is out of reach; keeping the libraries built before" >&2
    exit 0
else
    cat "$dir/apt.log" >&2
    echo "build_libraries: cannot reach Debian's archive for the sources" >&2
    exit 1
fi
sha256sum "$0" | cut -d' ' -f1 >>"$wanted"
if cmp -s "$wanted" "$dir/versions"; then
    exit 0
fi

# An attempt that stopped half-way with the same versions goes on where it stopped.
rm -f "$dir/versions"
if ! cmp -s "$wanted" "$dir/versions.building"; then
    rm -rf "$prefix" "$dir/src"
    mkdir -p "$prefix" "$dir/src"
    cd "$dir/src"
    for library in "${libraries[@]}"; do
        apt-get "${apt_options[@]}" -qq source "$library" >"$dir/fetch.log" 2>&1 ||
            { cat "$dir/fetch.log" >&2; exit 1; }
    done
    cp "$wanted" "$dir/versions.building"
fi
source_of() { find "$dir/src" -maxdepth 1 -type d -name "$1-*" | head -1; }
log=$dir/build.log
: >"$log"
step()
{
    echo "+ $*" >>"$log"
    "$@" >>"$log" 2>&1 || { tail -n 40 "$log" >&2; echo "build_libraries: failed: $*" >&2; exit 1; }
}
# build NAME SOURCE-PREFIX: runs the function build_NAME in that source, once.
build()
{
    local stamp=$dir/src/$1.done
    [ -f "$stamp" ] && return 0
    echo "  $1" >&2
    cd "$(source_of "$2")"
    "build_$1"
    touch "$stamp"
}
export PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig PKG_CONFIG_PATH=
configure_flags=(--host=$host --prefix="$prefix" --disable-shared --enable-static)

build_zlib()
{
    step env CHOST=$host ./configure --static --prefix="$prefix"
    step make -j"$jobs" install
}
build_libpng()
{
    step ./configure "${configure_flags[@]}" CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib"
    step make -j"$jobs" install
}
build_libjpeg()
{
    mkdir -p cross && cd cross
    step cmake .. -DCMAKE_TOOLCHAIN_FILE="$recipes/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DENABLE_SHARED=OFF -DWITH_TURBOJPEG=OFF
    step make -j"$jobs" install
}
build_libmad()
{
    # The release tarball lacks the files automake's GNU strictness asks for.
    touch AUTHORS ChangeLog NEWS
    step autoreconf -fi
    step ./configure "${configure_flags[@]}" --enable-fpm=64bit
    step make -j"$jobs" install
}
# SDL's headers mark every function __declspec(dllexport) unless told otherwise, which would
# give the static executable an export table of all of SDL and SDL_mixer.
build_SDL()
{
    step ./configure "${configure_flags[@]}" CPPFLAGS=-DDECLSPEC=
    step make -j"$jobs" install
}
build_SDL_mixer()
{
    step ./configure "${configure_flags[@]}" --with-sdl-prefix="$prefix" \
        --enable-music-mp3-mad-gpl --disable-music-mp3 --disable-music-mod --disable-music-midi \
        --disable-music-ogg --disable-music-flac --disable-music-cmd \
        CPPFLAGS="-I$prefix/include -DDECLSPEC=" LDFLAGS="-L$prefix/lib"
    step make -j"$jobs" install
}

echo "build_libraries: cross-building for $host in $dir" >&2
build zlib zlib
build libpng libpng1.6
build libjpeg libjpeg-turbo
build libmad libmad
build SDL libsdl1.2
build SDL_mixer sdl-mixer1.2
mv "$wanted" "$dir/versions"
echo "build_libraries: done: $(head -n -1 "$dir/versions" | tr '\n' ' ')" >&2
