// The folder tree's model: every folder under "/" (hidden ones and folder
// links too), each named by the display rule (DisplayPath) and known by its
// bytes, so that a folder whose name is not UTF-8 shows, is selected and
// opens like any other. Qt's own file system model names folders as UTF-8
// and cannot reach such folders.
//
// A folder's subfolders are listed when the view first expands it or a
// path through it is asked for; listed folders are listed again when the
// file system reports a change in them (for folders whose path Qt's watcher
// can name) and on Refresh, keeping the nodes that are still there, so the
// view keeps its expansion and selection. Rows are sorted by name as shown,
// without regard to case.
// Main thread only.
#pragma once

#include <QAbstractItemModel>
#include <QIcon>

#include <memory>
#include <string>

class QFileSystemWatcher;

class TKvFolderTreeModel : public QAbstractItemModel {
    Q_OBJECT

public:
    explicit TKvFolderTreeModel(QObject* parent = nullptr);
    ~TKvFolderTreeModel() override;

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    // The folder's path as bytes: "/" for the root, else without a trailing
    // "/"; empty for an invalid index.
    std::string FolderPath(const QModelIndex& index) const;
    // The node of the folder at path (bytes, absolute, with or without a
    // trailing "/"), listing the folders on the way; invalid when the path
    // names no folder.
    QModelIndex FolderIndex(const std::string& path);
    // Lists again every listed folder.
    void Refresh();

private:
    struct Node;
    Node* NodeOf(const QModelIndex& index) const;
    QModelIndex IndexOf(const Node* node) const;
    std::string PathOf(const Node* node) const;
    // Lists node's subfolders, first time or again.
    void List(Node* node);
    void RefreshBelow(Node* node);
    void FolderChanged(const QString& path);

    std::unique_ptr<Node> root_;
    QFileSystemWatcher* watcher_ = nullptr;
    QIcon folderIcon_;
};
