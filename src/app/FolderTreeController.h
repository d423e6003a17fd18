// The folder tree beside the list: it shows the current folder without
// opening it again, keeps the selected folder in view while the tree's model
// fills in until the person handles the tree, and deletes the selected
// folder. The model knows folders by their bytes, whatever their names'
// encoding. Parts used: STV, STVModel, Window.
#pragma once

#include <optional>
#include <string>

class QModelIndex;
struct WindowParts;

class FolderTreeController {
public:
    explicit FolderTreeController(WindowParts& parts);

    // Selects the folder of path, without opening it, and keeps it in view;
    // a folder that is not there leaves nothing selected.
    void Sync(const std::string& path);
    // Lists the tree's folders again and brings the selected one into view.
    void Refresh();
    // The person handles the tree: it stops following the model's filling.
    void StopFollowing() { follows_ = false; }
    // The folder that a move of the tree's current node to current opens;
    // none while the program itself moves it.
    std::optional<std::string> FolderToOpen(const QModelIndex& current) const;
    // Moves the selected folder to the trash after asking; once it is gone
    // no folder is selected, so none is opened in its place.
    void DeleteSelectedFolder();

private:
    // Scrolls the selected folder's name into view, up and down and sideways.
    void ShowSelected() const;

    WindowParts& parts_;
    // Keeps the selected folder in view while the model fills in.
    bool follows_ = false;
    // Set while the program itself moves the selection: no navigation.
    bool syncing_ = false;
};
