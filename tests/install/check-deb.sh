#!/bin/bash
# Checks a Debian package of Scanlark as `make deb` leaves it: lintian finds
# no error; unpacked into a throw-away root, both programs run from there
# and its desktop and AppStream files validate; apt would install it here.
#   check-deb.sh PACKAGE.deb
set -euo pipefail
deb=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

[ -f "$deb" ] || fail "no package $deb"
case $(basename "$deb") in scanlark_*_*.deb) ;; *) fail "$deb is not named scanlark_<version>_<arch>.deb" ;; esac
[ "$(dpkg-deb --field "$deb" Package)" = scanlark ] || fail "package name"
depends=$(dpkg-deb --field "$deb" Depends)
for library in libqt6widgets6 libjpeg62-turbo libc6; do
  [[ $depends == *$library* ]] || fail "Depends lacks $library: $depends"
done

# Errors fail; the warnings kept are listed in README.md.
lintian --no-tag-display-limit "$deb" > "$work/lintian.log" 2>&1 || true
if grep -E '^E: ' "$work/lintian.log"; then fail "lintian reports errors"; fi
sed -n 's/^W: /lintian warning: /p' "$work/lintian.log"

dpkg -x "$deb" "$work/root"
version=$("$work/root/usr/bin/scanlark-check" --version) || fail "the unpacked scanlark-check does not run"
[[ $version == "scanlark-check (Scanlark) $(dpkg-deb --field "$deb" Version)" ]] || fail "version: $version"
QT_QPA_PLATFORM=offscreen "$work/root/usr/bin/scanlark" --version > /dev/null || fail "the unpacked scanlark does not run"
desktop-file-validate "$work/root/usr/share/applications/com.korvel.Scanlark.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/com.korvel.Scanlark.metainfo.xml" ||
  fail "appstreamcli validate"
[ "$(sed -n 's/^Exec=//p' "$work/root/usr/share/applications/com.korvel.Scanlark.desktop")" = "scanlark %F" ] ||
  fail "the packaged menu entry does not name the program on the PATH"

# Every dependency resolves on this system, as it would for apt install ./package.
if [ "$(id -u)" = 0 ]; then
  apt-get install --simulate -q "$(realpath "$deb")" > "$work/apt.log" 2>&1 || { cat "$work/apt.log"; fail "apt cannot install it"; }
fi
echo "package checked: $(basename "$deb")"
