#!/usr/bin/env bash
# Writes the licence texts the Windows build must carry beside the executable, which holds
# these libraries linked in. The texts are copied, not retyped: each comes from the copyright
# record Debian ships for the same library (or the same MinGW-w64 and GCC runtime the
# cross-compiler links), so rerunning this on a Debian machine with the packages below shows
# any change as a diff.
#   packaging/licences/collect.sh
set -euo pipefail
cd "$(dirname "$0")"
doc=/usr/share/doc
licences=/usr/share/common-licenses

# paragraph <copyright file> <first line>: the machine-readable paragraph that opens with
# exactly that line (a "Files:" or a stand-alone "License:" paragraph).
paragraph() {
    awk -v first="$2" 'BEGIN { RS = "" } { split($0, line, "\n") } line[1] == first { print; print ""; found = 1; exit }
        END { exit !found }' "$1" || { echo "collect.sh: no paragraph '$2' in $1" >&2; exit 1; }
}

# holders <copyright file> <first line>: only the Copyright and License fields of that
# paragraph, for those whose list of files is longer than the notice.
holders() {
    paragraph "$1" "$2" | awk '/^[A-Z][A-Za-z-]*:/ { keep = /^(Copyright|License):/ } keep'
    echo
}

# from <package>: the line that says where the text was taken.
from() {
    local version
    version=$(dpkg-query -W -f='${Version}' "$1")
    echo "Taken from $doc/$1/copyright (Debian package $1 $version)."
    echo
}

cp "$licences/GPL-2" GPL-2.txt
cp "$licences/LGPL-2.1" LGPL-2.1.txt

{
    from libsdl1.2debian
    paragraph $doc/libsdl1.2debian/copyright 'Files: *'
    paragraph $doc/libsdl1.2debian/copyright 'License: LGPL-2.1+'
} >SDL-1.2.txt

{
    from libsdl-mixer1.2
    paragraph $doc/libsdl-mixer1.2/copyright 'Files: *'
    paragraph $doc/libsdl-mixer1.2/copyright 'License: zlib/libpng'
} >SDL_mixer-1.2.txt

{
    from libmad0
    cat $doc/libmad0/copyright
} >libmad.txt

{
    from zlib1g
    paragraph $doc/zlib1g/copyright 'Files: *'
    paragraph $doc/zlib1g/copyright 'License: Zlib'
} >zlib.txt

{
    from libpng16-16
    paragraph $doc/libpng16-16/copyright 'Files: *'
    paragraph $doc/libpng16-16/copyright 'License: libpng'
} >libpng.txt

# The IJG's terms and libjpeg-turbo's BSD terms share one paragraph; the SIMD code is zlib's.
{
    from libjpeg62-turbo
    holders $doc/libjpeg62-turbo/copyright 'Files: BUILDING.md'
    paragraph $doc/libjpeg62-turbo/copyright 'License: BSD-BY-LC-NE'
    paragraph $doc/libjpeg62-turbo/copyright 'License: Zlib'
} >libjpeg-turbo.txt

# The C runtime's start-up code, its printf and winpthreads are all linked in; the record
# is kept whole rather than guessing which of its parts a given link pulls.
{
    from mingw-w64-common
    cat $doc/mingw-w64-common/copyright
} >mingw-w64-runtime.txt

# libgcc and libstdc++: GPL-3+ with the GCC Runtime Library Exception, which lets a program
# carry them linked in under the program's own licence.
{
    from gcc-mingw-w64-base
    sed -n '/^Files that have exception clauses/,/^ - libvtv$/p' $doc/gcc-mingw-w64-base/copyright
    echo
    sed -n '/^GCC RUNTIME LIBRARY EXCEPTION$/,/^requirements of the license of GCC\.$/p' \
        $doc/gcc-mingw-w64-base/copyright
} >gcc-runtime-exception.txt
grep -q 'No Weakening of GCC Copyleft' gcc-runtime-exception.txt ||
    { echo "collect.sh: no runtime exception in gcc-mingw-w64-base's record" >&2; exit 1; }
