#include "KvShell.h"

#include <QFile>
#include <QMessageBox>

bool DeleteToRecycleBin(QWidget* owner, const std::string& path)
{
    const QString name = QFile::decodeName(QByteArray::fromStdString(path));
    const auto answer =
        QMessageBox::question(owner, QStringLiteral("ごみ箱へ移動"),
                              QStringLiteral("\"%1\" をごみ箱に移動しますか?").arg(name), QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return true;
    if (!QFile::moveToTrash(name)) {
        QMessageBox::warning(owner, QStringLiteral("注意"), QStringLiteral("\"%1\" をごみ箱に移動できませんでした。").arg(name));
        return true;
    }
    return false;
}
