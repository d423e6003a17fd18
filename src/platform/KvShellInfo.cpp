#include "platform/KvShellInfo.h"

#include <QFile>
#include <QMimeDatabase>
#include <QStringList>

#include <mutex>

namespace {

std::mutex iconTableMutex;
QStringList& iconTable()
{
    static QStringList table;
    return table;
}

// The cache key: the name's last two dot-separated endings, lower-cased
// (".jpg", "tar.gz"), or empty when the name has no dot.
std::string endingKey(const std::string& name)
{
    const size_t last = name.rfind('.');
    if (last == std::string::npos || last == 0)
        return {};
    const size_t previous = last > 1 ? name.rfind('.', last - 1) : std::string::npos;
    std::string key = name.substr(previous == std::string::npos || previous == 0 ? last : previous);
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return key;
}

TKvShellFileInfo fromMimeType(const QMimeType& type)
{
    return {type.comment(), IconIndexForType(type.name())};
}

}  // namespace

TKvShellFileInfo TKvShellInfoCache::Query(const std::string& folder, const std::string& name, bool isFolder)
{
    static const QMimeDatabase database;
    if (isFolder) {
        static const std::string kFolderKey = "/";
        auto found = byEnding_.find(kFolderKey);
        if (found == byEnding_.end())
            found = byEnding_.emplace(kFolderKey, fromMimeType(database.mimeTypeForName("inode/directory"))).first;
        return found->second;
    }
    const std::string key = endingKey(name);
    if (!key.empty()) {
        const auto found = byEnding_.find(key);
        if (found != byEnding_.end())
            return found->second;
    }
    const QString decodedName = QFile::decodeName(QByteArray::fromStdString(name));
    const QList<QMimeType> byName = database.mimeTypesForFileName(decodedName);
    if (byName.size() == 1) {
        TKvShellFileInfo info = fromMimeType(byName.front());
        if (!key.empty())
            byEnding_.emplace(key, info);
        return info;
    }
    if (byName.isEmpty())
        return fromMimeType(database.mimeTypeForName(QStringLiteral("application/octet-stream")));
    // Several types claim the name: the content decides (not cached).
    return fromMimeType(database.mimeTypeForFile(QFile::decodeName(QByteArray::fromStdString(folder + name))));
}

int32_t IconIndexForType(const QString& mimeTypeName)
{
    const std::lock_guard lock(iconTableMutex);
    QStringList& table = iconTable();
    const qsizetype index = table.indexOf(mimeTypeName);
    if (index >= 0)
        return static_cast<int32_t>(index);
    table.append(mimeTypeName);
    return static_cast<int32_t>(table.size() - 1);
}

QString IconTypeName(int32_t index)
{
    const std::lock_guard lock(iconTableMutex);
    const QStringList& table = iconTable();
    return index >= 0 && index < table.size() ? table.at(index) : QString();
}
