#include "KvShell.h"

#include "KvPath.h"
#include "KvTrash.h"

#include <QMessageBox>

bool DeleteToRecycleBin(QWidget* owner, const std::string& path)
{
    const QString name = DisplayPath(path);
    const auto answer =
        QMessageBox::question(owner, QStringLiteral("ごみ箱へ移動"),
                              QStringLiteral("\"%1\" をごみ箱に移動しますか?").arg(name), QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return true;
    std::string errorText;
    if (!MoveToTrash(path, errorText)) {
        QMessageBox::warning(owner, QStringLiteral("注意"), QString::fromStdString(errorText));
        return true;
    }
    return false;
}
