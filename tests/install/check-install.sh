#!/bin/bash
# Installs the build into a temporary prefix as a user would
# (`cmake --install BUILD --prefix DIR`) and checks what lands there: the
# programs, the help pages where an installed copy looks for them, and a
# .desktop file that the desktop accepts, naming the installed program and
# an installed icon.
#   check-install.sh CMAKE BUILD_FOLDER SOURCE_FOLDER
set -euo pipefail
cmake=$1 build=$2 source=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# The key's value in the [Desktop Entry] group.
desktop_value() { sed -n "s/^$2=//p" "$1"; }

check_prefix() {
  local prefix=$1 expected_exec=$2
  "$cmake" --install "$build" --prefix "$prefix" > "$work/install.log" || { cat "$work/install.log"; fail "cmake --install"; }

  for program in scanlark scanlark-check; do
    [ -x "$prefix/bin/$program" ] || fail "bin/$program missing or not executable"
  done
  "$prefix/bin/scanlark-check" --help > /dev/null || fail "the installed scanlark-check does not run"
  cmp -s "$prefix/share/scanlark/slhelp/index.html" "$source/slhelp/index.html" ||
    fail "share/scanlark/slhelp/index.html missing or not the help page"

  local desktop="$prefix/share/applications/scanlark.desktop"
  [ -f "$desktop" ] || fail "share/applications/scanlark.desktop missing"
  [ "$(sed -n 1p "$desktop")" = "[Desktop Entry]" ] || fail "no [Desktop Entry] group first"
  [ "$(desktop_value "$desktop" Type)" = Application ] || fail "Type"
  [ "$(desktop_value "$desktop" 'MimeType')" = "image/jpeg;inode/directory;" ] || fail "MimeType"
  for key in Name 'Name\[ja\]' GenericName 'GenericName\[ja\]' Comment 'Comment\[ja\]'; do
    [ -n "$(desktop_value "$desktop" "$key")" ] || fail "no $key"
  done
  [ "$(desktop_value "$desktop" Exec)" = "$expected_exec %F" ] || fail "Exec is '$(desktop_value "$desktop" Exec)'"
  [ "$(desktop_value "$desktop" TryExec)" = "$prefix/bin/scanlark" ] || fail "TryExec"
  local icon
  icon=$(desktop_value "$desktop" Icon)
  [ -f "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "icon '$icon' not installed"
  grep -q '<svg' "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" || fail "icon is no SVG"

  if command -v desktop-file-validate > /dev/null; then
    desktop-file-validate "$desktop" > "$work/validate.log" 2>&1 || { cat "$work/validate.log"; fail "desktop-file-validate"; }
    if grep -E '(error|warning):' "$work/validate.log"; then fail "desktop-file-validate complains"; fi
  else
    echo "desktop-file-validate not installed (package desktop-file-utils): the .desktop file was not validated"
  fi
}

# The menu entry names the installed program by its full path...
check_prefix "$work/prefix" "$work/prefix/bin/scanlark"
# ...unless the Exec key would need quoting for it: then by its name.
check_prefix "$work/with blank" "scanlark"
echo "installed and checked"
