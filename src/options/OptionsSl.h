// The window's own settings, their defaults, and the complete load and save
// of the settings file: section "Option", the catalogue's "OptionFileInfos"
// and the columns' "DesignColumn", then the section of our own additions,
// "Deep" (the deep check, its columns, and copying and moving with folders).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class QAction;
class QSplitter;
class QWidget;
class TKvColumnInfos;
class TKvFileInfos;
class TKvListView;
class TKvMemIniFile;

class TScanlarkCustomOptions {
public:
    virtual ~TScanlarkCustomOptions() = default;
    uint8_t RefreshMode = 0;  // 0 folders and files, 1 folder tree, 2 file list
    uint8_t ImgViewMode = 2;  // 0 no preview, 1 actual size, 2 automatic scale
};

class TScanlarkDefaults : public TScanlarkCustomOptions {
public:
    bool DoNow = true;
    bool FolderBarVisible = true;
    uint8_t WindowState = 0;  // 0 normal, 1 minimised, 2 maximised
    bool DeepCheck = false;    // [Deep] Enabled
    bool KeepFolders = false;  // [Deep] KeepFolders
};

// Where the settings live while the program runs: the window's actions and
// controls, the catalogue and the column set. The options hold none of them.
struct TScanlarkOptionTargets {
    TKvMemIniFile* Ini = nullptr;
    std::string* CommonSendPath = nullptr;
    QWidget* Window = nullptr;
    QWidget* FolderTree = nullptr;  // hidden with its splitter handle
    QSplitter* FolderSplitter = nullptr;  // the tree and the rest, side by side
    QAction* DoNowAct = nullptr;
    QAction* DeepCheckAct = nullptr;
    QAction* KeepFoldersAct = nullptr;
    QAction* FolderBarVisibleAct = nullptr;
    QAction* SubFolderSearchAct = nullptr;
    QAction* HiddenFileViewAct = nullptr;
    QAction* IVNoneAct = nullptr;
    QAction* IVScaleNormalAct = nullptr;
    QAction* IVAutoScaleLongAct = nullptr;
    TKvFileInfos* FileInfos = nullptr;
    TKvColumnInfos* Columns = nullptr;
    TKvListView* LVFiles = nullptr;
};

class TScanlarkOptions : public TScanlarkCustomOptions {
public:
    explicit TScanlarkOptions(const TScanlarkOptionTargets& targets);

    // Reads every setting from the document into its live holder, applies
    // them and rebuilds the list's columns.
    void LoadOptions();
    // Empties the document, writes the three specified sections, then
    // "Deep" and "Window", and the file. Returns false when the file could
    // not be written.
    bool SaveOptions();
    // Brings the window in line with the live settings.
    void ApplyOptions();

    std::unique_ptr<TScanlarkDefaults> Defaults = std::make_unique<TScanlarkDefaults>();
    // The folder tree's width in pixels as the person left it; 0 for the
    // window's own. Kept in a section of its own, [Window].
    int FolderBarWidth = 0;
    // Where the live settings are held (the options dialog edits them there).
    const TScanlarkOptionTargets& Targets() const { return targets_; }

private:
    TScanlarkOptionTargets targets_;
};

// The main window state as stored: 0 normal, 1 minimised, 2 maximised.
uint8_t StoredWindowState(const QWidget& window);
void ApplyStoredWindowState(QWidget& window, uint8_t state);

// The folder for the settings file and "folder.txt": the executable's own
// folder when it is writable and not that of an installed copy
// (IsInstalledCopy), else $XDG_CONFIG_HOME/Scanlark (created).
std::string SettingsFolder(const std::string& executableFolder);
