#!/usr/bin/env bash
# The Debian package as a viewer gets it: made by the release script from a viewer's build of
# its own, clean under lintian (no error, no warning), then installed by dpkg into a throwaway
# root with a private database (never the machine's own) and checked there: a valid menu entry
# that starts the installed program with its icon, a machine-readable copyright file, every
# library the program needs found and its package named in Depends, and the stripped program
# starting with every symbol bound and failing as it should without a display.
#   deb_check.sh <work dir> <project version>
set -euo pipefail
work=$1
version=$2
here=$(cd "$(dirname "$0")" && pwd)
fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$work/out" "$work/root" "$work/run"
mkdir -p "$work/run"
deb=$("$here/../../packaging/debian/build.sh" "$work/build" "$work/out")
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Version)" = "$version" ] || fail "package version $(field Version), project $version"
[ "$(basename "$deb")" = "$(field Package)_$(field Version)_$(field Architecture).deb" ] ||
    fail "$(basename "$deb") is not Debian's name for the package"

# Info and pedantic tags are printed for the record; errors and warnings fail.
lint_status=0
lintian --fail-on error,warning --display-info --pedantic "$deb" >"$work/run/lintian" 2>&1 ||
    lint_status=$?
cat "$work/run/lintian"
[ "$lint_status" = 0 ] && ! grep -q '^[EW]: ' "$work/run/lintian" || fail "lintian"

# dpkg --root unpacks as a real install does (paths, permissions, its own checks of the
# archive), which dpkg-deb -x would not. The private database holds no other package, so the
# dependencies are checked below against this machine instead.
root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/triggers"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
dpkg --root="$root" --log="$work/run/dpkg.log" --force-depends --install "$deb" \
    >"$work/run/dpkg" 2>&1 || { cat "$work/run/dpkg"; fail "dpkg could not install the package"; }
[ "$(dpkg --root="$root" -s corvanel | sed -n 's/^Status: //p')" = "install ok installed" ] ||
    fail "dpkg did not install the package"

program=$root/usr/bin/corvanel
[ -x "$program" ] || fail "no /usr/bin/corvanel"
executables=$(cd "$root" && find . -type f -perm -u+x | sort)
[ "$executables" = "./usr/bin/corvanel" ] || fail "programs other than the show: $executables"

desktop=$root/usr/share/applications/corvanel.desktop
[ -f "$desktop" ] || fail "no menu entry"
report=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$report" ] || fail "menu entry: $report"
entry() { sed -n "s/^$1=//p" "$desktop"; }
exec_line=$(entry Exec)
started=${exec_line%% *}
[[ "$started" == /* ]] || started=/usr/bin/$started
[ -x "$root$started" ] || fail "the menu entry starts '$exec_line', which the package does not install"
[ "$(entry Terminal)" = false ] || fail "the menu entry opens a terminal"
icons=("$root"/usr/share/icons/hicolor/*/apps/"$(entry Icon)".png)
[ -f "${icons[0]}" ] || fail "no icon '$(entry Icon)' in the hicolor theme"
for icon in "${icons[@]}"; do
    size=$(basename "$(dirname "$(dirname "$icon")")")
    file -b "$icon" | grep -q "^PNG image data, ${size/x/ x }," ||
        fail "$icon is not a $size PNG: $(file -b "$icon")"
done

# Debian's machine-readable format: the header, Files paragraphs with a copyright and a licence,
# and the text of every licence they name (lintian reads none of this in a binary package).
copyright=$root/usr/share/doc/corvanel/copyright
[ -f "$copyright" ] && [ ! -L "$copyright" ] || fail "no copyright file"
awk 'BEGIN { RS = ""; FS = "\n" }
    NR == 1 { if ($1 != "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/") {
            print "no Format line"; bad = 1 }
        next }
    $1 ~ /^Files:/ {
        if ($1 == "Files: *") all = 1
        copyright = 0; licence = ""
        for (i = 1; i <= NF; i++) {
            if ($i ~ /^Copyright:/) copyright = 1
            if ($i ~ /^License:/) { licence = $i; sub(/^License: */, "", licence); body = $(i + 1) ~ /^ / }
        }
        if (!copyright || licence == "") { print "no Copyright or License in " $1; bad = 1 }
        else if (!body) wanted[licence] = 1
        next }
    $1 ~ /^License: / && NF > 1 { name = $1; sub(/^License: */, "", name); given[name] = 1; next }
    { print "a paragraph that is neither Files nor License: " $1; bad = 1 }
    END { if (!all) { print "no Files: * paragraph"; bad = 1 }
        for (name in wanted) if (!(name in given)) { print "no text for " name; bad = 1 }
        exit bad }' "$copyright" || fail "copyright file not in the machine-readable format"
for licence in $(grep -o '/usr/share/common-licenses/[A-Za-z0-9.+-]*' "$copyright"); do
    [ -f "$licence" ] || fail "the copyright file points to $licence, which Debian does not have"
done

zcat "$root/usr/share/doc/corvanel/changelog.gz" >"$work/run/changelog"
[ "$(dpkg-parsechangelog -l "$work/run/changelog" -S Version)" = "$version" ] ||
    fail "the changelog's newest entry is not $version"

# Every library found, and each one's package named in Depends: a library missing from
# Depends would be missing on a machine that installs the package with apt.
libraries=$(ldd "$program")
! grep 'not found' <<<"$libraries" || fail "libraries not found"
depends=$(field Depends)
[ -n "$depends" ] || fail "no Depends"
declared=" $(tr ',|' '\n\n' <<<"$depends" | sed 's/(.*//; s/ //g' | tr '\n' ' ') "
owner() {  # the package of a file, on whichever side of the /usr merge dpkg records it
    local path=$1 other
    case $path in /usr/*) other=${path#/usr} ;; *) other=/usr$path ;; esac
    { dpkg-query -S "$path" 2>/dev/null || dpkg-query -S "$other" 2>/dev/null; } |
        sed -n '1s/^\([^:,]*\).*/\1/p'
}
for soname in $(objdump -p "$program" | awk '$1 == "NEEDED" { print $2 }'); do
    path=$(awk -v so="$soname" '$1 == so && $2 == "=>" { print $3 }' <<<"$libraries")
    package=$(owner "$path")
    [ -n "$package" ] || fail "no package holds $soname ($path)"
    [[ "$declared" == *" $package "* ]] || fail "$soname comes from $package, not in Depends: $depends"
done

# Depends as apt would resolve it here: each clause met by an installed package.
while IFS= read -r clause; do
    met=
    IFS='|' read -ra choices <<<"$clause"
    for choice in "${choices[@]}"; do
        name=$(sed 's/(.*//; s/ //g' <<<"$choice")
        relation=$(sed -n 's/.*(\(.*\)).*/\1/p' <<<"$choice")
        installed=$(dpkg-query -W -f='${db:Status-Abbrev} ${Version}' "$name" 2>/dev/null) || continue
        [[ "$installed" == ii* ]] || continue
        if [ -z "$relation" ] || dpkg --compare-versions "${installed##* }" $relation; then
            met=1
        fi
    done
    [ -n "$met" ] || fail "Depends '$clause' is not met on this machine"
done < <(tr ',' '\n' <<<"$depends" | sed 's/^ *//')

# The packaged program itself, stripped: every symbol bound at start, and with no display the
# one-line error and status 1 that the show gives there.
status=0
env -u DISPLAY -u WAYLAND_DISPLAY LD_BIND_NOW=1 SDL_AUDIODRIVER=dummy timeout 30 "$program" \
    >"$work/run/stdout" 2>"$work/run/stderr" </dev/null || status=$?
[ "$status" = 1 ] && grep -q '^corvanel: cannot open a 1024 x 768 OpenGL window: ' "$work/run/stderr" ||
    fail "the installed program, without a display: status $status, $(cat "$work/run/stderr")"

echo "ok: $(basename "$deb"), $(stat -c %s "$deb") bytes"
