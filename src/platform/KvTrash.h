// The desktop's trash (the freedesktop.org trash layout) on byte paths.
#pragma once

#include <string>

// Moves the file or folder at path (bytes; a relative path is taken against
// the working folder) into the trash of its file system, as file managers
// do, so that they can list and restore it:
// - the home trash $XDG_DATA_HOME/Trash (default ~/.local/share/Trash), its
//   missing folders created with mode 0700; when the item lies on another
//   file system, that file system's $topdir/.Trash-$uid instead;
// - the item gets a name unused in the trash ("name", "name.2", ...); its
//   "info/<name>.trashinfo" (original absolute path, percent-encoded, and the
//   local deletion time) is created before the item is renamed into
//   "files/<name>";
// - the item is never copied: a move that a rename cannot do fails.
// True only when the item is in the trash's files/ folder and gone from
// path. On failure the item stays where it was, no trash entry is left
// (folders created for the trash may stay) and errorText says, in Japanese
// UTF-8, what failed. Any thread; the caller shows the message.
bool MoveToTrash(const std::string& path, std::string& errorText);
