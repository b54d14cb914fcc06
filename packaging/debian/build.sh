#!/usr/bin/env bash
# Builds the Debian package from a viewer's build (the show alone: no tests, tools or capture),
# the same way for `make dist` and for the package test, and copies it to the output folder.
# Prints the path of the package it wrote.
#   packaging/debian/build.sh <build dir> <output dir>
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
build_dir=$1
out_dir=$2
jobs=${JOBS:-$(nproc)}

# The package holds the show and its documents alone, so those are all that is built, and
# CPack installs them without building everything else first.
cmake -S "$source_dir" -B "$build_dir" -DCORVANEL_TESTS=OFF -DCORVANEL_TOOLS=OFF \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build "$build_dir" --target corvanel debian_docs -j "$jobs" >&2
rm -rf "$build_dir/packages"
(cd "$build_dir" && cpack -G DEB) >&2
packages=("$build_dir"/packages/*.deb)
[ ${#packages[@]} -eq 1 ] && [ -f "${packages[0]}" ] ||
    { echo "build.sh: expected one package in $build_dir/packages" >&2; exit 1; }
mkdir -p "$out_dir"
cp "${packages[0]}" "$out_dir/"
echo "$out_dir/$(basename "${packages[0]}")"
