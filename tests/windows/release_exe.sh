#!/usr/bin/env bash
# The release corvanel.exe as a Windows user receives it: it holds the setup dialog's template
# (a resource left in a static library is silently dropped) with its items in tab order, runs it
# through the wide-character USER32 entry points but for the narrow list lines, needs nothing but
# system DLLs, exports nothing and carries no symbols.
#   release_exe.sh <corvanel.exe>
set -euo pipefail
exe=$1
source "$(dirname "$0")/../support/common.sh"
[ -f "$exe" ] || fail "no $exe: run make windows"

resources=$(x86_64-w64-mingw32-windres -J coff -O rc -i "$exe") || fail "cannot read resources"
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
# (SDL itself lists the screen's modes through EnumDisplaySettingsA.)
! grep -Ew 'DialogBoxParamA' <<<"$imports" || fail "runs the dialog through the narrow entry point"

dlls=$(awk '/DLL Name:/ { print toupper($3) }' <<<"$imports" | sort | tr '\n' ' ')
system_dlls=" ADVAPI32.DLL GDI32.DLL GLU32.DLL KERNEL32.DLL MSVCRT.DLL OPENGL32.DLL USER32.DLL WINMM.DLL "
for dll in $dlls; do
    [[ "$system_dlls" == *" $dll "* ]] || fail "needs $dll, which Windows does not ship"
done
! grep -q 'Export Address Table' <<<"$imports" || fail "exports symbols"
[ -z "$(x86_64-w64-mingw32-nm "$exe" 2>/dev/null)" ] || fail "carries its symbol table"
echo "ok: $(basename "$exe"): $(stat -c %s "$exe") bytes, imports $dlls"
