#!/usr/bin/env bash
# Cross-builds the Windows setup dialog with MinGW-w64 and checks that the executable holds the
# dialog template (a resource left in a static library is silently dropped) with its items in
# tab order, and calls the wide-character USER32 entry points but for the narrow list lines.
#   win32_build.sh <source dir of the nested project> <build dir> [cmake]
set -euo pipefail
source_dir=$1
build_dir=$2
cmake=${3:-cmake}
fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$build_dir"
"$cmake" -S "$source_dir" -B "$build_dir" -DCMAKE_TOOLCHAIN_FILE="$source_dir/mingw-w64.cmake" \
    >"$build_dir.configure.log" 2>&1 || { cat "$build_dir.configure.log" >&2; fail "configure"; }
"$cmake" --build "$build_dir" || fail "build"
exe=$build_dir/setup_dialog_win32.exe

resources=$(x86_64-w64-mingw32-windres -J coff -O rc -i "$exe") || fail "cannot read resources"
echo "$resources"
for line in '101 DIALOGEX 0, 0, 142, 79' 'CAPTION "Tavrune Demo Engine"' 'FONT 8, "Tahoma"'; do
    grep -qx "$line" <<<"$resources" || fail "no '$line' in the resources"
done
ids=$(awk '/^BEGIN/{on=1; next} /^END/{on=0} on {
    sub(/^ *[A-Z]+ /, ""); if ($0 ~ /^"/) sub(/^"[^"]*", /, ""); sub(/,.*/, ""); print }' \
    <<<"$resources" | tr '\n' ' ')
[ "$ids" = "1 2 -1 1001 -1 1003 " ] || fail "items out of tab order: $ids"
combo_style=$(awk '/^ *COMBOBOX 1001,/{print $NF}' <<<"$resources")
(((combo_style & 0x100) == 0)) || fail "the resolution list sorts its lines ($combo_style)"
(((combo_style & 0x3) == 0x3)) || fail "the resolution list is not a drop-down list ($combo_style)"

imports=$(x86_64-w64-mingw32-objdump -p "$exe")
for name in DialogBoxParamW EndDialog EnumDisplaySettingsW GetForegroundWindow GetModuleHandleW \
    SendDlgItemMessageA SendDlgItemMessageW; do
    grep -qw "$name" <<<"$imports" || fail "does not import $name"
done
! grep -Ew 'DialogBoxParamA|EnumDisplaySettingsA' <<<"$imports" || fail "imports narrow entry points"
echo "ok: the Windows dialog builds with its template"
