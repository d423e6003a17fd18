#include "FolderHistory.h"

#include <QFile>
#include <QSaveFile>

std::vector<std::string> LoadFolderHistory(const std::string& fileName)
{
    std::vector<std::string> folders;
    QFile file(QFile::decodeName(QByteArray::fromStdString(fileName)));
    if (!file.open(QIODevice::ReadOnly))
        return folders;
    const QByteArray content = file.readAll();
    for (QByteArray line : content.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.isEmpty())
            folders.push_back(line.toStdString());
    }
    return folders;
}

bool SaveFolderHistory(const std::string& fileName, const std::vector<std::string>& folders)
{
    QSaveFile file(QFile::decodeName(QByteArray::fromStdString(fileName)));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (const std::string& folder : folders) {
        file.write(folder.data(), static_cast<qint64>(folder.size()));
        file.write("\r\n", 2);
    }
    return file.commit();
}
