#!/usr/bin/env bash
# The embedding rule on a small project laid out like ours (the media library defined in one
# directory, the embedding asked for from another): the blobs carry the files' exact bytes,
# and changing a file rebuilds what carries it. Usage: embed_rebuild.sh <cmake/embed.cmake>
set -euo pipefail
embed_cmake=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/src/sub"

cat >"$work/src/CMakeLists.txt" <<CMAKE
cmake_minimum_required(VERSION 3.18)
project(embed_check LANGUAGES CXX ASM)
include($embed_cmake)
add_library(media STATIC)
add_executable(dump dump.cpp)
target_link_libraries(dump PRIVATE media)
add_subdirectory(sub)
CMAKE
cat >"$work/src/sub/CMakeLists.txt" <<'CMAKE'
corvanel_embed_blob(media single ${CMAKE_SOURCE_DIR}/single.bin)
corvanel_embed_set(media pair ${CMAKE_SOURCE_DIR}/first.bin ${CMAKE_SOURCE_DIR}/second.bin)
CMAKE
cat >"$work/src/dump.cpp" <<'CPP'
#include <cstdint>
#include <cstdio>
struct AssetBlob {
    const unsigned char* bytes;
    std::int32_t length;
};
extern "C" const AssetBlob single;
extern "C" const unsigned char* const pair_addresses[2];
extern "C" const std::int32_t pair_lengths[2];
static void dump(const unsigned char* bytes, std::int32_t length)
{
    for (std::int32_t i = 0; i < length; ++i) {
        std::printf("%02x", bytes[i]);
    }
    std::printf("\n");
}
int main()
{
    dump(single.bytes, single.length);
    dump(pair_addresses[0], pair_lengths[0]);
    dump(pair_addresses[1], pair_lengths[1]);
}
CPP

hex() { od -An -tx1 -v "$1" | tr -d ' \n'; echo; }
expect_carried()
{
    local want got
    want=$(for f in single first second; do hex "$work/src/$f.bin"; done)
    got=$("$work/build/dump")
    [ "$got" = "$want" ] || { echo "FAIL: $1: carried bytes differ from the files" >&2; exit 1; }
    echo "ok: $1"
}

head -c 70000 /dev/urandom >"$work/src/single.bin"
printf 'ab\0\0\0' >"$work/src/first.bin"  # trailing zero bytes are kept
printf '' >"$work/src/second.bin"        # an empty file is an empty blob
cmake -S "$work/src" -B "$work/build" >/dev/null
cmake --build "$work/build" >/dev/null
expect_carried "first build"

head -c 1234 /dev/urandom >"$work/src/single.bin"
printf 'changed' >"$work/src/second.bin"
cmake --build "$work/build" >/dev/null
expect_carried "rebuilt after the files changed"
