// Stands in for the shell's file type name and small-icon index: both come
// from the shared MIME database.
#pragma once

#include <QString>

#include <cstdint>
#include <string>
#include <unordered_map>

struct TKvShellFileInfo {
    QString TypeName;        // the type's localized description ("JPEG image")
    int32_t IconIndex = -1;  // index into the process-wide icon table
};

// Looks files up by name first and by content only when the name is
// ambiguous; results for a name ending are cached, so a folder of many files
// of one kind costs one look-up. One object per thread.
class TKvShellInfoCache {
public:
    // folder ends in "/"; the full path is only put together when the
    // content has to decide.
    TKvShellFileInfo Query(const std::string& folder, const std::string& name, bool isFolder);

private:
    std::unordered_map<std::string, TKvShellFileInfo> byEnding_;
};

// The process-wide icon table: IconIndex i names MIME type IconTypeName(i),
// whose icon the window draws. Thread-safe.
int32_t IconIndexForType(const QString& mimeTypeName);
QString IconTypeName(int32_t index);
