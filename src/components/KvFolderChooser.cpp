#include "components/KvFolderChooser.h"

#include "paths/LongPath.h"
#include "platform/DisplayPath.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStyle>

QIcon TKvFolderIconProvider::icon(IconType type) const
{
    if (type == Folder || type == Computer || type == Drive)
        return QIcon::fromTheme(QStringLiteral("folder"), QApplication::style()->standardIcon(QStyle::SP_DirIcon));
    return QApplication::style()->standardIcon(QStyle::SP_FileIcon);
}

QIcon TKvFolderIconProvider::icon(const QFileInfo& info) const
{
    return icon(info.isDir() ? Folder : File);
}

QString TKvFolderIconProvider::type(const QFileInfo& info) const
{
    if (info.isDir())
        return QCoreApplication::translate("MainWindow", "フォルダ");
    const QString suffix = info.suffix();
    return suffix.isEmpty() ? QCoreApplication::translate("MainWindow", "ファイル")
                             : QCoreApplication::translate("MainWindow", "%1 ファイル").arg(suffix.toUpper());
}

std::optional<std::string> ChooseFolder(QWidget* owner, const QString& title, const std::string& start)
{
    // Given a folder that is not there, Qt's dialog would open in the
    // process's working folder, which means nothing to the person.
    const QString folder = !start.empty() && IsFolder(start) ? QtFileName(start) : QDir::homePath();
    QFileDialog dialog(owner, title, folder);
    static TKvFolderIconProvider icons;
    dialog.setIconProvider(&icons);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return FromQtFileName(dialog.selectedFiles().front());
}
