#!/usr/bin/env bash
# Cross-builds the libraries the show links on Windows, as static libraries, from Debian's own
# source packages: zlib, libpng, libjpeg-turbo, libmad, SDL 1.2 and SDL_mixer 1.2 (MP3 through
# libmad only). The sources come through an apt configuration kept in DIR, which reads the
# machine's own apt settings but never changes them.
# For the web build the same recipe builds zlib, libpng, libjpeg-turbo and SDL 1.2 to
# WebAssembly with Debian's emscripten: the pictures then decode, and become surfaces, through
# the very code they go through on Linux. The browser plays the music itself, so no mixer.
#
#   build_libraries.sh DIR [windows|web]
#
# Installs everything under DIR/prefix. DIR/versions names the source versions of that build:
# a later run rebuilds only when the archive offers other versions (or the recipes here
# change), and with no archive in reach it keeps the build it has.
set -euo pipefail
dir=$(mkdir -p "$1" && cd "$1" && pwd)
recipes=$(cd "$(dirname "$0")" && pwd)
target=${2:-windows}
prefix=$dir/prefix
jobs=$(nproc)

# Package and suite. bookworm's libmad diff is no longer in the archive; trixie's builds.
case $target in
windows)
    host=x86_64-w64-mingw32
    libraries=(zlib/bookworm libpng1.6/bookworm libjpeg-turbo/bookworm libmad/trixie
        libsdl1.2/bookworm sdl-mixer1.2/bookworm)
    ;;
web)
    host=wasm32-unknown-emscripten
    libraries=(zlib/bookworm libpng1.6/bookworm libjpeg-turbo/bookworm libsdl1.2/bookworm)
    # Debian's emcc runs its JavaScript tools with node, which finds Debian's node modules
    # (acorn) only when told where they are.
    export NODE_PATH=/usr/share/nodejs
    ;;
*)
    echo "usage: build_libraries.sh DIR [windows|web]" >&2
    exit 2
    ;;
esac

# Debian's archive is reached as the machine reaches it (a mirror, a proxy's address): the URIs
# of the machine's own `deb` entries for Debian's release suites, as apt itself reads them from
# sources.list and sources.list.d (one-line and deb822 files alike, disabled entries left out,
# nothing fetched beforehand), become `deb-src` entries here, less any URI whose index the
# machine has fetched and found to be another vendor's. The suites are the recipe's, whatever
# release the machine names. Only the sources are DIR's own: apt.conf and apt.conf.d (a proxy,
# a mirror's login in auth.conf) and the trusted keys are the machine's, read as any apt-get
# reads them.
archive_candidates=$(apt-get indextargets --no-release-info \
    --format '$(TARGET_OF) $(COMPONENT) $(RELEASE) $(REPO_URI)' |
    awk '$1 == "deb" && $2 == "main" && ($3 == "bookworm" || $3 == "trixie") { print $4 }' | sort -u)
other_vendors=$(apt-get indextargets --format '$(REPO_URI) $(ORIGIN)' |
    awk '{ origin = $0; sub(/^[^ ]* /, "", origin) }
        origin != "Debian" && origin != "$(ORIGIN)" { print $1 }' | sort -u)
archive_uris=$(comm -23 <(echo "$archive_candidates") <(echo "$other_vendors") | paste -sd ' ')
apt_dir=$dir/apt
apt_options=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$apt_dir/sources"
    -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache="$apt_dir/cache"
    -o Dir::State::status=/dev/null -o Debug::NoLocking=1 -o APT::Sandbox::User=root)
mkdir -p "$apt_dir/sources" "$apt_dir/lists/partial" "$apt_dir/cache"
: >"$dir/apt.log"
if [ -n "$archive_uris" ]; then
    cat >"$apt_dir/sources/debian.sources" <<EOF
Types: deb-src
URIs: $archive_uris
Suites: bookworm trixie
Components: main
EOF
else
    echo "the machine's apt sources name no Debian archive (bookworm or trixie, main)" >"$dir/apt.log"
fi

# The versions the archive offers now, and the recipes' own fingerprint.
wanted=$dir/versions.wanted
# An index that fails to download is an error here, not a warning over old lists.
if [ -n "$archive_uris" ] && apt-get "${apt_options[@]}" -qq --error-on=any update 2>>"$dir/apt.log"; then
    for library in "${libraries[@]}"; do
        version=$(apt-get "${apt_options[@]}" -qq --print-uris source "$library" 2>/dev/null |
            awk '$2 ~ /\.dsc$/ { sub(/\.dsc$/, "", $2); print $2 }')
        [ -n "$version" ] || { echo "no source for $library in the archive" >&2; exit 1; }
        echo "$version"
    done >"$wanted"
elif [ -f "$dir/versions" ]; then
    echo "build_libraries: the archive is out of reach ($(tail -n 1 "$dir/apt.log")); keeping the libraries built before" >&2
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
# emconfigure and emcmake point configure and CMake at emcc; for Windows, the host's name does.
if [ "$target" = web ]; then
    wrap=emconfigure
    cmake_toolchain=/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake
else
    wrap=env
    cmake_toolchain=$recipes/mingw-w64.cmake
fi

build_zlib()
{
    if [ "$target" = web ]; then
        step emconfigure ./configure --static --prefix="$prefix"
    else
        step env CHOST=$host ./configure --static --prefix="$prefix"
    fi
    step make -j"$jobs" install
}
build_libpng()
{
    step $wrap ./configure "${configure_flags[@]}" CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib"
    step make -j"$jobs" install
}
# WebAssembly has no SIMD code of libjpeg-turbo's: the portable C decoder, as on any machine
# without it. CMake reads type sizes out of the compiled test program, which it cannot do in a
# WebAssembly one: wasm32's sizes are given.
build_libjpeg()
{
    local web_flags=(-DWITH_SIMD=OFF -DHAVE_SIZE_T=TRUE -DSIZE_T=4 -DHAVE_UNSIGNED_LONG=TRUE
        -DUNSIGNED_LONG=4)
    mkdir -p "cross-$target" && cd "cross-$target"
    step cmake .. -DCMAKE_TOOLCHAIN_FILE="$cmake_toolchain" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DENABLE_SHARED=OFF -DWITH_TURBOJPEG=OFF \
        $([ "$target" = web ] && echo "${web_flags[@]}")
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
    if [ "$target" = web ]; then
        build_SDL_web
        return
    fi
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

# In the browser SDL keeps its surfaces, blits, streams, ticks and event queue; the page makes
# the WebGL context and plays the sound, so the only video driver is the dummy one, which
# opens the event queue, and there is no audio, no threads, no shared objects. Its ticks come
# from the monotonic clock, which in a page is performance.now(), as the audio timestamps are.
# SDL 1.2's configure knows no emscripten host: a Linux one gives it the Unix build. Its scan
# of every source's headers stalls under emcc, and a build made once needs none: only the
# compile rules it writes are kept.
build_SDL_web()
{
    sed -i 's/search_deps \$src | sort | uniq >>\${output}.new/: no header scan/' \
        build-scripts/makedep.sh
    step emconfigure ./configure --host=i686-pc-linux-gnu --prefix="$prefix" --disable-shared \
        --enable-static --disable-audio --disable-cdrom --disable-joystick --disable-threads \
        --disable-loadso --disable-assembly --disable-video-x11 --disable-video-fbcon \
        --disable-video-directfb --disable-video-ggi --disable-video-svga --disable-video-vgl \
        --disable-video-aalib --disable-video-caca --disable-video-opengl --disable-esd \
        --disable-pulseaudio --disable-alsa --disable-arts --disable-nas --disable-input-tslib \
        --disable-video-dga --disable-dga --enable-video-dummy --enable-clock_gettime \
        --disable-rpath
    step emmake make -j"$jobs" install
}

echo "build_libraries: cross-building for $host in $dir" >&2
build zlib zlib
build libpng libpng1.6
build libjpeg libjpeg-turbo
if [ "$target" = windows ]; then
    build libmad libmad
fi
build SDL libsdl1.2
if [ "$target" = windows ]; then
    build SDL_mixer sdl-mixer1.2
fi
mv "$wanted" "$dir/versions"
echo "build_libraries: done: $(head -n -1 "$dir/versions" | tr '\n' ' ')" >&2
