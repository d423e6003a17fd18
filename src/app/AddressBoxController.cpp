#include "app/AddressBoxController.h"

#include "app/FolderHistory.h"
#include "app/WindowParts.h"
#include "paths/BytePath.h"
#include "platform/DisplayPath.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QLineEdit>

#include <algorithm>
#include <cstdio>

AddressBoxController::AddressBoxController(WindowParts& parts, std::string historyFile)
    : parts_(parts), historyFile_(std::move(historyFile))
{
    // The combo box's own completer fills in the rest of a matching entry
    // as the person types, so that Enter after "/data/" opened "/data/x/".
    auto* matches = new QCompleter(parts.CBRecent->model(), parts.CBRecent);
    matches->setObjectName(QStringLiteral("CBRecentCompleter"));
    matches->setCompletionMode(QCompleter::PopupCompletion);
    matches->setCaseSensitivity(Qt::CaseSensitive);  // folder names differ by case
    matches->setFilterMode(Qt::MatchStartsWith);
    matches->setMaxVisibleItems(parts.CBRecent->maxVisibleItems());
    parts.CBRecent->setCompleter(matches);
    matches->popup()->setObjectName(QStringLiteral("CBRecentMatches"));
}

void AddressBoxController::LoadHistory()
{
    TFolderHistoryLoad loaded = LoadFolderHistory(historyFile_);
    history_ = std::move(loaded.Folders);
    historyUnreadable_ = loaded.Unreadable;
    if (!loaded.Warning.empty())
        std::fprintf(stderr, "scanlark: %s\n", loaded.Warning.c_str());
    LoadItems();
    parts_.CBRecent->setCurrentIndex(-1);
}

void AddressBoxController::SaveHistory() const
{
    if (!historyUnreadable_)
        SaveFolderHistory(historyFile_, history_);
}

bool AddressBoxController::RememberCheckedFolder(const std::string& folder)
{
    std::vector<std::string> history = history_;
    std::erase_if(history, [&](const std::string& entry) { return SamePath(entry, folder); });
    history.insert(history.begin(), folder);
    if (!historyUnreadable_ && !SaveFolderHistory(historyFile_, history))
        return false;
    history_ = std::move(history);
    LoadItems();
    parts_.CBRecent->setCurrentIndex(0);
    return true;
}

void AddressBoxController::ReplaceHistory(const std::vector<std::string>& opened, std::vector<std::string> edited)
{
    std::vector<std::string> added;
    for (const std::string& folder : history_)
        if (std::none_of(opened.begin(), opened.end(), [&](const std::string& o) { return SamePath(o, folder); }))
            added.push_back(folder);
    std::erase_if(edited, [&](const std::string& folder) {
        return std::any_of(added.begin(), added.end(), [&](const std::string& a) { return SamePath(a, folder); });
    });
    edited.insert(edited.begin(), added.begin(), added.end());
    history_ = std::move(edited);
}

void AddressBoxController::LoadItems()
{
    QComboBox* box = parts_.CBRecent;
    const QString text = box->currentText();
    box->clear();
    for (const std::string& folder : history_)
        box->addItem(DisplayPath(folder), QByteArray::fromStdString(folder));
    box->setEditText(text);
}

void AddressBoxController::ShowPath(const std::string& path)
{
    shownBytes_ = path;
    parts_.CBRecent->setEditText(DisplayPath(path));
}

std::string AddressBoxController::Path() const
{
    const QComboBox* box = parts_.CBRecent;
    const QString text = box->currentText();
    if (text == DisplayPath(shownBytes_))
        return shownBytes_;
    const int index = box->findText(text, Qt::MatchExactly);
    if (index >= 0) {
        const QByteArray bytes = box->itemData(index).toByteArray();
        if (!bytes.isNull())
            return bytes.toStdString();
    }
    return TypedPath(text);  // typed by the person
}

std::string AddressBoxController::ItemPath(int index) const
{
    const QByteArray bytes = parts_.CBRecent->itemData(index).toByteArray();
    return bytes.isNull() ? FromQtFileName(parts_.CBRecent->itemText(index)) : bytes.toStdString();
}

void AddressBoxController::Focus() const
{
    QComboBox* box = parts_.CBRecent;
    box->setFocus(Qt::ShortcutFocusReason);
    box->lineEdit()->selectAll();
}

QAbstractItemView* AddressBoxController::MatchList() const
{
    return parts_.CBRecent->completer()->popup();
}

void AddressBoxController::HideMatches() const
{
    MatchList()->hide();
}
