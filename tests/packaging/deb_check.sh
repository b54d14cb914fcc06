#!/usr/bin/env bash
# The Debian package as a viewer gets it: clean under lintian, then installed by dpkg into a
# throwaway root with a private database (never the machine's own) and checked there for what
# lintian leaves out: the menu entry and its icon, the show the only program, every library
# found and every symbol bound, and the failure it should give without a display.
#   deb_check.sh <work dir>
set -euo pipefail
work=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../support/common.sh"

rm -rf "$work/out" "$work/root" "$work/run"
mkdir -p "$work/run"
deb=$("$here/../../packaging/debian/build.sh" "$work/build" "$work/out")
# Info and pedantic tags are printed for the record; errors and warnings fail.
lintian --fail-on error,warning --display-info --pedantic "$deb" || fail "lintian"

# dpkg --root unpacks as a real install does (paths, permissions, its own checks of the
# archive), which dpkg-deb -x would not. The private database holds no other package, hence
# --force-depends.
root=$work/root
mkdir -p "$root"/var/lib/dpkg/{info,updates,triggers}
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
dpkg --root="$root" --log="$work/run/dpkg.log" --force-depends --install "$deb" \
    >"$work/run/dpkg" 2>&1 || { cat "$work/run/dpkg"; fail "dpkg could not install the package"; }
executables=$(cd "$root" && find . -type f -perm -u+x | sort)
[ "$executables" = "./usr/bin/corvanel" ] || fail "programs other than the show: $executables"

desktop=$root/usr/share/applications/corvanel.desktop
report=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$report" ] || fail "menu entry: $report"
# lintian checks the icon's size against its folder, but not that it is there.
icon=$(sed -n 's/^Icon=//p' "$desktop")
compgen -G "$root/usr/share/icons/hicolor/*/apps/$icon.png" >/dev/null ||
    fail "no icon '$icon' in the hicolor theme"
# The packaged program itself, stripped: every library found, every symbol bound at start, and
# with no display the one-line error and status 1 that the show gives there.
! ldd "$root/usr/bin/corvanel" | grep 'not found' || fail "a library the program needs is missing"
status=0
env -u DISPLAY -u WAYLAND_DISPLAY LD_BIND_NOW=1 SDL_AUDIODRIVER=dummy timeout 30 "$root/usr/bin/corvanel" \
    2>"$work/run/stderr" </dev/null || status=$?
[ "$status" = 1 ] && grep -q '^corvanel: cannot open a 1024 x 768 OpenGL window: ' "$work/run/stderr" ||
    fail "the installed program, without a display: status $status, $(cat "$work/run/stderr")"

echo "ok: $(basename "$deb"), $(stat -c %s "$deb") bytes"
