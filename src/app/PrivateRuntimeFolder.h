// The folder that holds one user's single-instance lock and socket, and the
// ownership checks that keep other users from planting either of them: a
// file in a folder that others can write to proves nothing about who made it.
#pragma once

#include <string>

#include <sys/types.h>

// The folder for this user's lock and socket, one only this user can write:
// $XDG_RUNTIME_DIR when it is a folder (not a link) owned by this user and
// not writable by group or others; otherwise <$TMPDIR or /tmp>/fallbackName,
// created with mode 0700 and used only when it then is a folder (not a link)
// owned by this user with no group or other access at all.
// Returns the folder without a trailing "/"; empty when neither can be used,
// and why then says what was refused. passedOver says why $XDG_RUNTIME_DIR
// was set but not used (empty otherwise).
std::string PrivateRuntimeFolder(const std::string& fallbackName, std::string& why, std::string& passedOver);

// True when nothing is at path, or an entry owned by this user is, of the
// given type when type is not 0 (S_IFREG, S_IFSOCK). Links are not followed.
// False, with why, for anything else.
bool IsOwnEntryOrAbsent(const std::string& path, mode_t type, std::string& why);

// The user id of the process at the other end of a connected local socket.
// False when the system cannot tell.
bool PeerUserId(int descriptor, uid_t& uid);
