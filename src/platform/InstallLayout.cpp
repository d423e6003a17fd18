#include "platform/InstallLayout.h"

#include <sys/stat.h>

#ifndef SCANLARK_DATA_FROM_BIN
#error "SCANLARK_DATA_FROM_BIN: the data folder relative to the program's folder, set by the build"
#endif

std::string InstalledDataFolder(const std::string& executableFolder)
{
    std::string folder = executableFolder;
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    folder += SCANLARK_DATA_FROM_BIN;
    if (folder.back() != '/')
        folder += '/';
    return folder;
}

bool IsInstalledCopy(const std::string& executableFolder)
{
    struct stat status {};
    return ::stat(InstalledDataFolder(executableFolder).c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}
