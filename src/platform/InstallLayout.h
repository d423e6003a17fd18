// Where an installed copy keeps what it reads beside its program: the
// install rules put the program in <prefix>/bin and its data (the help
// pages) in <prefix>/share/scanlark. A copy run from the build folder or
// from a folder of its own (portable use) has no such data folder.
#pragma once

#include <string>

// The data folder an installed copy whose executable lies in
// executableFolder would have, with a trailing "/"; it need not exist.
std::string InstalledDataFolder(const std::string& executableFolder);

// Whether executableFolder belongs to an installed copy: its data folder
// exists. Such a copy keeps its settings in the user's config folder even
// when it may write beside its program (an install under the home folder,
// or one run as root), so a user's settings never land in a bin folder.
bool IsInstalledCopy(const std::string& executableFolder);
