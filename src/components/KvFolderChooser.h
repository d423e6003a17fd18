// The folder chooser of the window's commands (select folder, copy and move
// to a folder): Qt's folder dialog, or the desktop's where the platform has
// one, in Japanese. Qt's dialog names paths as UTF-8, so the start folder and
// the choice cross over through QtFileName/FromQtFileName.
// Main thread only.
#pragma once

#include <QAbstractFileIconProvider>

#include <optional>
#include <string>

class QWidget;

// The icon and type names of the chooser's entries: a folder is a "フォルダ"
// (Qt's own provider says "Folder" whatever the language).
class TKvFolderIconProvider : public QAbstractFileIconProvider {
public:
    QIcon icon(IconType type) const override;
    QIcon icon(const QFileInfo& info) const override;
    QString type(const QFileInfo& info) const override;
};

// Shows the chooser modally over owner, titled title, in the folder start
// (when that is no folder, in the user's home folder). Returns the chosen
// folder's bytes, or nothing when the person cancels.
std::optional<std::string> ChooseFolder(QWidget* owner, const QString& title, const std::string& start);
