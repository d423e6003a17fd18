#!/bin/bash
# Installs the build into a temporary prefix as a user would
# (`cmake --install BUILD --prefix DIR`, or the configured prefix under
# DESTDIR) and checks what lands there: the programs, the help pages where an
# installed copy looks for them, and a .desktop file that the desktop
# accepts, naming the installed program and an installed icon, opening JPEG
# files but leaving folders to the file manager. As root it also installs as
# another user, who may not write into the build folder.
#   check-install.sh CMAKE BUILD_FOLDER SOURCE_FOLDER
set -euo pipefail
cmake=$1 build=$2 source=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# The key's value in the [Desktop Entry] group.
desktop_value() { sed -n "s/^$2=//p" "$1"; }

# The checker's manual page: in share/man/man1, of the installed program's
# version, describing each option its --help lists, and readable by man.
check_manual_page() {
  local prefix=$1 page="$work/scanlark-check.1" version option
  zcat "$1/share/man/man1/scanlark-check.1.gz" > "$page" 2> /dev/null || fail "share/man/man1/scanlark-check.1.gz missing"
  version=$("$prefix/bin/scanlark-check" --version | sed 's/.* //')
  grep -q "^\.TH SCANLARK-CHECK 1 .*\"Scanlark $version\"" "$page" || fail "the manual page is not of version $version"
  for option in $("$prefix/bin/scanlark-check" --help | grep -oE '^ {2,6}(-[a-z0-9], )?--[a-z0-9-]+' | grep -oE -- '--[a-z0-9-]+'); do
    grep -qF -- "${option//-/\\-}" "$page" || fail "the manual page does not describe $option"
  done
  if command -v man > /dev/null; then
    local text
    text=$(MANWIDTH=80 man -l "$page" 2> "$work/man.log") || { cat "$work/man.log"; fail "man cannot show the page"; }
    [[ "$text" == *"--files-from=LIST"* ]] || fail "man shows no --files-from: $text"
    if grep -q . "$work/man.log"; then cat "$work/man.log"; fail "man complains about the page"; fi
  fi
}

check_prefix() {
  local prefix=$1 expected_exec=$2
  if [ -z "${DESTDIR:-}" ]; then
    "$cmake" --install "$build" --prefix "$prefix" > "$work/install.log" || { cat "$work/install.log"; fail "cmake --install"; }
  else
    "$cmake" --install "$build" > "$work/install.log" || { cat "$work/install.log"; fail "cmake --install"; }
    prefix=$DESTDIR$prefix
  fi

  for program in scanlark scanlark-check; do
    [ -x "$prefix/bin/$program" ] || fail "bin/$program missing or not executable"
  done
  "$prefix/bin/scanlark-check" --help > /dev/null || fail "the installed scanlark-check does not run"
  check_manual_page "$prefix"
  cmp -s "$prefix/share/scanlark/slhelp/index.html" "$source/slhelp/index.html" ||
    fail "share/scanlark/slhelp/index.html missing or not the help page"

  local id=com.korvel.Scanlark
  local desktop="$prefix/share/applications/$id.desktop"
  [ -f "$desktop" ] || fail "share/applications/$id.desktop missing"
  [ "$(sed -n 1p "$desktop")" = "[Desktop Entry]" ] || fail "no [Desktop Entry] group first"
  [ "$(desktop_value "$desktop" Type)" = Application ] || fail "Type"
  [ -n "$(desktop_value "$desktop" 'MimeType')" ] || fail "no MimeType"
  for key in Name 'Name\[ja\]' GenericName 'GenericName\[ja\]' Comment 'Comment\[ja\]'; do
    [ -n "$(desktop_value "$desktop" "$key")" ] || fail "no $key"
  done
  [ "$(desktop_value "$desktop" Exec)" = "$expected_exec %F" ] || fail "Exec is '$(desktop_value "$desktop" Exec)'"
  [ "$(desktop_value "$desktop" TryExec)" = "$expected_exec" ] || fail "TryExec"
  local icon
  icon=$(desktop_value "$desktop" Icon)
  [ -f "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "icon '$icon' not installed"
  grep -q '<svg' "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" || fail "icon is no SVG"
  for size in 48 128; do
    local png="$prefix/share/icons/hicolor/${size}x${size}/apps/$icon.png"
    [ "$(head -c 8 "$png" 2> /dev/null | od -An -tx1 | tr -d ' ')" = 89504e470d0a1a0a ] || fail "no $size px PNG icon"
  done
  for page in scanlark scanlark-check; do
    zcat "$prefix/share/man/man1/$page.1.gz" 2> /dev/null | grep -q '^\.TH' || fail "no manual page $page.1.gz"
  done
  local metainfo="$prefix/share/metainfo/$id.metainfo.xml"
  [ -f "$metainfo" ] || fail "share/metainfo/$id.metainfo.xml missing"
  if command -v appstreamcli > /dev/null; then
    appstreamcli validate --no-net "$metainfo" > "$work/appstream.log" 2>&1 || { cat "$work/appstream.log"; fail "appstreamcli validate"; }
  else
    echo "appstreamcli not installed (package appstream): the AppStream metadata was not validated"
  fi

  if command -v desktop-file-validate > /dev/null; then
    desktop-file-validate "$desktop" > "$work/validate.log" 2>&1 || { cat "$work/validate.log"; fail "desktop-file-validate"; }
    if grep -E '(error|warning):' "$work/validate.log"; then fail "desktop-file-validate complains"; fi
  else
    echo "desktop-file-validate not installed (package desktop-file-utils): the .desktop file was not validated"
  fi
}

# What the desktop makes of the entry, in a data folder of its own: JPEG
# files may open with Scanlark, folders stay with the file manager.
check_associations() {
  local data=$1
  if ! command -v gio > /dev/null || ! command -v update-desktop-database > /dev/null; then
    echo "gio or update-desktop-database missing: the associations were not checked"
    return
  fi
  update-desktop-database "$data/applications"
  mkdir -p "$work/config"
  # The entry names the program alone here: it is found through the PATH.
  local env=(env PATH="$data/../bin:$PATH" XDG_DATA_HOME="$data" XDG_DATA_DIRS="$data"
             XDG_CONFIG_HOME="$work/config" XDG_CONFIG_DIRS="$work/config")
  local folders jpeg
  folders=$("${env[@]}" gio mime inode/directory 2>&1 || true)
  jpeg=$("${env[@]}" gio mime image/jpeg 2>&1 || true)
  [[ "$folders" != *com.korvel.Scanlark.desktop* ]] || fail "installing takes over opening folders: $folders"
  [[ "$jpeg" == *com.korvel.Scanlark.desktop* ]] || fail "JPEG files are not offered Scanlark: $jpeg"
}

# The file managers' "Check with Scanlark" runs scanlark on the folder or
# file chosen, blanks and all: each entry's command, as the file manager
# would run it, reaches a stand-in scanlark with that path.
check_file_manager_actions() {
  local prefix=$1 chosen="$work/two words/DCIM" got
  mkdir -p "$chosen" "$work/bin"
  printf '#!/bin/sh\nfor a in "$@"; do printf "%%s\\n" "$a"; done > "%s"\n' "$work/got" > "$work/bin/scanlark"
  chmod +x "$work/bin/scanlark"
  local dolphin="$prefix/share/kio/servicemenus/com.korvel.Scanlark.desktop"
  local nemo="$prefix/share/nemo/actions/com.korvel.Scanlark.nemo_action"
  [[ $(desktop_value "$dolphin" 'Name\[ja\]') == "Scanlark でチェック" ]] || fail "Dolphin: no Japanese name"
  [[ $(desktop_value "$dolphin" MimeType) == *inode/directory*image/jpeg* ]] || fail "Dolphin: not for folders and JPEG files"
  [[ $(desktop_value "$nemo" Extensions) == *dir*jpg* ]] || fail "Nemo: not for folders and JPEG files"
  local exec
  for exec in "$(desktop_value "$dolphin" Exec)" "$(desktop_value "$nemo" Exec)"; do
    rm -f "$work/got"
    # Both file managers hand the path as one argument.
    eval "set -- ${exec//%[fF]/\"\$chosen\"}"
    PATH="$work/bin:$PATH" "$@"
    [ "$(cat "$work/got")" = "$chosen" ] || fail "'$exec' gave: $(cat "$work/got")"
  done
  rm -f "$work/got"
  (cd "$work" && PATH="$work/bin:$PATH" NAUTILUS_SCRIPT_SELECTED_FILE_PATHS="$chosen"$'\n' \
    "$prefix/share/scanlark/nautilus-script.sh" "two words/DCIM")
  got=$(cat "$work/got")
  [ "$got" = $'--\n'"$chosen" ] || fail "the Nautilus script gave: $got"
}

configured=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$build/CMakeCache.txt")
# Installed where the build was configured to go, the menu entry names the
# program by its full path...
DESTDIR="$work/dest" check_prefix "$configured" "$configured/bin/scanlark"
# ...elsewhere, or where the Exec key would need quoting for it, by its name.
check_prefix "$work/prefix" "scanlark"
check_prefix "$work/with blank" "scanlark"
check_associations "$work/prefix/share"
check_file_manager_actions "$work/prefix"

# Someone who may read the build but not write into it installs for
# themselves: installing only copies.
if [ "$(id -u)" = 0 ] && command -v setpriv > /dev/null; then
  chmod 755 "$work"
  mkdir "$work/other" && chown 65534:65534 "$work/other"
  if setpriv --reuid=65534 --regid=65534 --clear-groups test -r "$build/cmake_install.cmake"; then
    # CMake itself ends by writing its list of installed files into the build
    # folder; that one failure, after every file is in place, is CMake's.
    setpriv --reuid=65534 --regid=65534 --clear-groups env HOME="$work/other" \
      "$cmake" --install "$build" --prefix "$work/other/prefix" > "$work/other.log" 2>&1 || true
    errors=$(grep -c 'CMake Error' "$work/other.log" || true)
    if [ "$errors" -gt 1 ] || { [ "$errors" = 1 ] && ! grep -q 'install_manifest.txt' "$work/other.log"; }; then
      cat "$work/other.log"; fail "another user cannot install from the build"
    fi
    for file in bin/scanlark bin/scanlark-check share/scanlark/slhelp/index.html share/applications/com.korvel.Scanlark.desktop; do
      [ -f "$work/other/prefix/$file" ] || { cat "$work/other.log"; fail "$file not installed by another user"; }
    done
  else
    echo "the build folder is not readable by others: installing as another user was not tried"
  fi
fi
echo "installed and checked"
