// The desktop's trash (the freedesktop.org trash layout) on byte paths.
#pragma once

#include <string>
#include <string_view>

// Moves the file or folder at path (bytes; a relative path is taken against
// the working folder) into the trash of its mount, as file managers do, so
// that they can list and restore it:
// - the item is the one the kernel finds under path, as a listing of its
//   folder shows it: links and ".." in the folder part are resolved by the
//   kernel, never folded as text; a last component that is a link is moved
//   itself, not what it points to;
// - the home trash $XDG_DATA_HOME/Trash (default ~/.local/share/Trash), its
//   missing folders created with mode 0700, when it is on the item's mount
//   (mounts are told apart by the kernel's mount id, so a bind mount is one
//   of its own); otherwise, in the top folder of the item's mount,
//   $topdir/.Trash/$uid where $topdir/.Trash is a real folder with the sticky
//   bit, else $topdir/.Trash-$uid; such a folder must be a real folder owned
//   by this user, and where none can be used the move fails;
// - the item gets a name unused in the trash ("name", "name.2", ...); its
//   "info/<name>.trashinfo" (the absolute path the kernel resolved,
//   percent-encoded, and the local deletion time) is created before the item
//   is renamed into "files/<name>";
// - the item is never copied: a move that a rename cannot do fails.
// True only when the item is in the trash's files/ folder and gone from
// path. On failure the item stays where it was, and neither a trash entry
// nor a folder made for the trash by this call is left; errorText says, in
// Japanese UTF-8, what failed. Any thread; the caller shows the message.
bool MoveToTrash(const std::string& path, std::string& errorText);

// The home trash folder: $XDG_DATA_HOME/Trash (the variable counts only when
// it is absolute), else ~/.local/share/Trash; "" without a home folder.
std::string HomeTrash();

// Whether name is that of a file system's trash folder in its top folder
// (".Trash", or ".Trash-" and a user id), which a search does not enter.
bool IsTrashFolderName(std::string_view name);
