#include "components/KvFolderTreeModel.h"

#include "platform/DisplayPath.h"
#include "platform/KvDirectoryListing.h"

#include <QApplication>
#include <QFileSystemWatcher>
#include <QStyle>

#include <algorithm>
#include <utility>
#include <vector>

struct TKvFolderTreeModel::Node {
    std::string name;  // bytes; empty for the root
    QString shown;
    Node* parent = nullptr;
    int row = 0;
    bool listed = false;
    std::vector<std::unique_ptr<Node>> children;
};

namespace {

struct Listed {
    QString shown;
    std::string name;
};

// By name as shown, without regard to case; the bytes settle ties, so that
// the order is total and a merge of two listings is exact.
bool ShownBefore(const QString& shownA, const std::string& nameA, const QString& shownB, const std::string& nameB)
{
    const int order = shownA.compare(shownB, Qt::CaseInsensitive);
    return order != 0 ? order < 0 : nameA < nameB;
}

template <typename Nodes>
void Renumber(Nodes& nodes)
{
    for (size_t i = 0; i < nodes.size(); ++i)
        nodes[i]->row = static_cast<int>(i);
}

}  // namespace

TKvFolderTreeModel::TKvFolderTreeModel(QObject* parent)
    : QAbstractItemModel(parent), root_(std::make_unique<Node>()), watcher_(new QFileSystemWatcher(this)),
      folderIcon_(QIcon::fromTheme(QStringLiteral("folder"), QApplication::style()->standardIcon(QStyle::SP_DirIcon)))
{
    root_->shown = QStringLiteral("/");
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, &TKvFolderTreeModel::FolderChanged);
}

TKvFolderTreeModel::~TKvFolderTreeModel() = default;

TKvFolderTreeModel::Node* TKvFolderTreeModel::NodeOf(const QModelIndex& index) const
{
    return index.isValid() ? static_cast<Node*>(index.internalPointer()) : nullptr;
}

QModelIndex TKvFolderTreeModel::IndexOf(const Node* node) const
{
    return node ? createIndex(node->row, 0, const_cast<Node*>(node)) : QModelIndex();
}

QModelIndex TKvFolderTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    if (column != 0 || row < 0)
        return {};
    if (!parent.isValid())
        return row == 0 ? IndexOf(root_.get()) : QModelIndex();
    const Node* node = NodeOf(parent);
    if (row >= static_cast<int>(node->children.size()))
        return {};
    return IndexOf(node->children[static_cast<size_t>(row)].get());
}

QModelIndex TKvFolderTreeModel::parent(const QModelIndex& child) const
{
    const Node* node = NodeOf(child);
    return node ? IndexOf(node->parent) : QModelIndex();
}

int TKvFolderTreeModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return 1;
    if (parent.column() != 0)
        return 0;
    return static_cast<int>(NodeOf(parent)->children.size());
}

int TKvFolderTreeModel::columnCount(const QModelIndex&) const
{
    return 1;
}

QVariant TKvFolderTreeModel::data(const QModelIndex& index, int role) const
{
    const Node* node = NodeOf(index);
    if (!node)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: return node->shown;
    case Qt::DecorationRole: return folderIcon_;
    default: return {};
    }
}

bool TKvFolderTreeModel::hasChildren(const QModelIndex& parent) const
{
    const Node* node = NodeOf(parent);
    // Until listed, every folder may have some: its expander shows.
    return !node || !node->listed || !node->children.empty();
}

bool TKvFolderTreeModel::canFetchMore(const QModelIndex& parent) const
{
    const Node* node = NodeOf(parent);
    return node && !node->listed;
}

void TKvFolderTreeModel::fetchMore(const QModelIndex& parent)
{
    if (Node* node = NodeOf(parent); node && !node->listed)
        List(node);
}

std::string TKvFolderTreeModel::PathOf(const Node* node) const
{
    if (!node)
        return {};
    if (!node->parent)
        return "/";
    std::string path;
    for (const Node* at = node; at->parent; at = at->parent)
        path.insert(0, "/" + at->name);
    return path;
}

std::string TKvFolderTreeModel::FolderPath(const QModelIndex& index) const
{
    return PathOf(NodeOf(index));
}

QModelIndex TKvFolderTreeModel::FolderIndex(const std::string& path)
{
    if (path.empty() || path[0] != '/')
        return {};
    Node* node = root_.get();
    for (size_t at = 1; at < path.size();) {
        size_t end = path.find('/', at);
        if (end == std::string::npos)
            end = path.size();
        const std::string part = path.substr(at, end - at);
        at = end + 1;
        if (part.empty())
            continue;
        if (!node->listed)
            List(node);
        const auto found = std::find_if(node->children.begin(), node->children.end(),
                                        [&](const std::unique_ptr<Node>& child) { return child->name == part; });
        if (found == node->children.end())
            return {};
        node = found->get();
    }
    return IndexOf(node);
}

void TKvFolderTreeModel::List(Node* node)
{
    const std::string path = PathOf(node);
    std::vector<Listed> found;
    TKvDirectoryListing listing;
    if (listing.Open(path)) {
        TKvDirectoryItem item;
        while (listing.Next(item))
            if (item.Attr & kvAttrFolder)
                found.push_back({DisplayPath(item.Name), item.Name});
    }
    std::sort(found.begin(), found.end(),
              [](const Listed& a, const Listed& b) { return ShownBefore(a.shown, a.name, b.shown, b.name); });

    const QModelIndex parent = IndexOf(node);
    auto& children = node->children;
    const auto makeNode = [node](Listed& listed) {
        auto child = std::make_unique<Node>();
        child->name = std::move(listed.name);
        child->shown = std::move(listed.shown);
        child->parent = node;
        return child;
    };
    if (!node->listed) {
        node->listed = true;
        if (!found.empty()) {
            beginInsertRows(parent, 0, static_cast<int>(found.size()) - 1);
            for (Listed& listed : found)
                children.push_back(makeNode(listed));
            Renumber(children);
            endInsertRows();
        } else {
            Q_EMIT dataChanged(parent, parent);  // its expander goes
        }
        // Qt's watcher names paths as UTF-8: others are listed again on Refresh only.
        const QString watched = QtFileName(path);
        if (FromQtFileName(watched) == path)
            watcher_->addPath(watched);
        return;
    }
    // Both sorted alike: what is gone leaves, what is new comes in, and the
    // nodes still there stay (with their expansion and selection).
    size_t i = 0;
    size_t j = 0;
    while (i < children.size() || j < found.size()) {
        const bool gone = j == found.size() ||
                          (i < children.size() &&
                           ShownBefore(children[i]->shown, children[i]->name, found[j].shown, found[j].name));
        const bool added = !gone && (i == children.size() || ShownBefore(found[j].shown, found[j].name,
                                                                          children[i]->shown, children[i]->name));
        const int row = static_cast<int>(i);
        if (gone) {
            beginRemoveRows(parent, row, row);
            children.erase(children.begin() + row);
            Renumber(children);
            endRemoveRows();
        } else if (added) {
            beginInsertRows(parent, row, row);
            children.insert(children.begin() + row, makeNode(found[j]));
            Renumber(children);
            endInsertRows();
            ++i;
            ++j;
        } else {
            ++i;
            ++j;
        }
    }
}

void TKvFolderTreeModel::RefreshBelow(Node* node)
{
    if (!node->listed)
        return;
    List(node);
    for (size_t i = 0; i < node->children.size(); ++i)
        RefreshBelow(node->children[i].get());
}

void TKvFolderTreeModel::Refresh()
{
    RefreshBelow(root_.get());
}

void TKvFolderTreeModel::FolderChanged(const QString& path)
{
    // The node as it is: a folder not listed yet is listed when it is needed.
    const std::string bytes = FromQtFileName(path);
    Node* node = root_.get();
    for (size_t at = 1; at < bytes.size() && node;) {
        size_t end = bytes.find('/', at);
        if (end == std::string::npos)
            end = bytes.size();
        const std::string part = bytes.substr(at, end - at);
        at = end + 1;
        if (part.empty())
            continue;
        const auto found = std::find_if(node->children.begin(), node->children.end(),
                                        [&](const std::unique_ptr<Node>& child) { return child->name == part; });
        node = found == node->children.end() ? nullptr : found->get();
    }
    if (node && node->listed)
        List(node);
}
