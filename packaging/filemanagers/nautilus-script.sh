#!/bin/sh
# Nautilus's Scripts menu: opens Scanlark on the folder or JPEG file chosen
# (the first, when several are), or on the folder shown when none is.
# `make install-nautilus-script` puts it in the user's scripts folder.
first=$(printf '%s' "${NAUTILUS_SCRIPT_SELECTED_FILE_PATHS:-}" | head -n 1)
if [ -z "$first" ] && [ $# -gt 0 ]; then
  case $1 in
    /*) first=$1 ;;
    *) first=$PWD/$1 ;;
  esac
fi
[ -n "$first" ] || first=$PWD
exec scanlark -- "$first"
