#include "options/OptionsSl.h"

#include "catalogue/KvFileInfos.h"
#include "components/KvListView.h"
#include "components/ScanlarkColumns.h"
#include "platform/DisplayPath.h"
#include "platform/InstallLayout.h"
#include "platform/KvMemIniFile.h"

#include <QAction>
#include <QDir>
#include <QEvent>
#include <QSplitter>
#include <QStandardPaths>
#include <QWidget>

#include <algorithm>
#include <functional>
#include <utility>

#include <unistd.h>

namespace {

const char kSection[] = "Option";
const char kWindowSection[] = "Window";
// Our own additions keep to a section of their own, after the specified
// ones, so the file stays readable by the specified layout.
const char kDeepSection[] = "Deep";

// The deep check's columns are ours too: their keys live in "Deep", and
// "DesignColumn" keeps the specified columns alone.
const char kColumnSection[] = "DesignColumn";

std::vector<std::string> deepColumnKeys()
{
    std::vector<std::string> keys;
    for (int column = ScanlarkColumn::JPEG_DeepVerdict; column < ScanlarkColumn::Count; ++column)
        for (const char* suffix : {"_Visible", "_Order", "_Width"})
            keys.push_back(ScanlarkColumnTable()[column].IdentName + std::string(suffix));
    return keys;
}

// Moves key from one section of ini to another, where it is.
void moveKey(TKvMemIniFile& ini, const char* from, const char* to, const std::string& key)
{
    if (!ini.ValueExists(from, key))
        return;
    ini.WriteString(to, key, ini.ReadString(from, key, ""));
    ini.DeleteKey(from, key);
}

std::string withTrailingDelimiter(std::string path)
{
    if (path.empty() || path.back() != '/')
        path += '/';
    return path;
}

// Gives the first of the splitter's two widgets width pixels. A splitter
// shares out sizes in proportion to its own, which it has only once shown:
// until then the width waits for the splitter's first showing.
void SetFolderBarWidth(QSplitter& splitter, int width)
{
    const auto apply = [&splitter, width] {
        const int total = splitter.width() - splitter.handleWidth();
        splitter.setSizes({width, std::max(0, total - width)});
    };
    if (splitter.isVisible()) {
        apply();
        return;
    }
    class WhenShown : public QObject {
    public:
        explicit WhenShown(std::function<void()> act, QObject* parent) : QObject(parent), act_(std::move(act)) {}
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Show && act_) {
                std::exchange(act_, nullptr)();
                deleteLater();
            }
            return false;
        }

    private:
        std::function<void()> act_;
    };
    splitter.installEventFilter(new WhenShown(apply, &splitter));
}

}  // namespace

TScanlarkOptions::TScanlarkOptions(const TScanlarkOptionTargets& targets) : targets_(targets) {}

void TScanlarkOptions::LoadOptions()
{
    TKvMemIniFile& ini = *targets_.Ini;
    targets_.DoNowAct->setChecked(ini.ReadBool(kSection, "DoNow", Defaults->DoNow));
    targets_.FolderBarVisibleAct->setChecked(ini.ReadBool(kSection, "FolderBarVisible", Defaults->FolderBarVisible));
    ApplyStoredWindowState(*targets_.Window,
                           static_cast<uint8_t>(ini.ReadInteger(kSection, "WindowState", Defaults->WindowState) & 0xFF));
    RefreshMode = static_cast<uint8_t>(ini.ReadInteger(kSection, "RefreshMode", Defaults->RefreshMode) & 0xFF);
    ImgViewMode = static_cast<uint8_t>(ini.ReadInteger(kSection, "ImgViewMode", Defaults->ImgViewMode) & 0xFF);
    // No folder chosen yet is saved as a lone "/" (the stored form always
    // ends in one); read back, it means none, so that the first chooser
    // starts in the folder on show rather than at the root.
    const std::string sendPath = withTrailingDelimiter(ini.ReadString(kSection, "CommonSendPath", ""));
    *targets_.CommonSendPath = sendPath == "/" ? std::string() : sendPath;
    FolderBarWidth = std::max(0, ini.ReadInteger(kWindowSection, "FolderBarWidth", 0));
    if (targets_.FolderSplitter && FolderBarWidth > 0)
        SetFolderBarWidth(*targets_.FolderSplitter, FolderBarWidth);
    targets_.FileInfos->FileInfoList().Defaults->LoadFromIni(ini);
    // The columns read their keys from one section.
    for (const std::string& key : deepColumnKeys())
        moveKey(ini, kDeepSection, kColumnSection, key);
    targets_.Columns->ColumnInfos().LoadFromIni(ini);
    for (const std::string& key : deepColumnKeys())
        moveKey(ini, kColumnSection, kDeepSection, key);
    targets_.DeepCheckAct->setChecked(ini.ReadBool(kDeepSection, "Enabled", Defaults->DeepCheck));
    targets_.KeepFoldersAct->setChecked(ini.ReadBool(kDeepSection, "KeepFolders", Defaults->KeepFolders));
    ApplyOptions();
    targets_.LVFiles->SortColumnIndex = targets_.FileInfos->SortMode();
    targets_.LVFiles->SortDown = targets_.FileInfos->SortDown();
    targets_.LVFiles->UpdateColumns();
}

void TScanlarkOptions::ApplyOptions()
{
    const TKvFileInfoListOptions options = targets_.FileInfos->Options();
    targets_.SubFolderSearchAct->setChecked(options.Contains(filoSubFolderSearch));
    targets_.HiddenFileViewAct->setChecked(options.Contains(filoHiddenFileView));
    targets_.FolderTree->setVisible(targets_.FolderBarVisibleAct->isChecked());
    switch (ImgViewMode) {
    case 0: targets_.IVNoneAct->trigger(); break;
    case 1: targets_.IVScaleNormalAct->trigger(); break;
    case 2: targets_.IVAutoScaleLongAct->trigger(); break;
    default: break;  // kept as stored; no view mode is set up
    }
}

bool TScanlarkOptions::SaveOptions()
{
    TKvMemIniFile& ini = *targets_.Ini;
    ini.Clear();
    ini.WriteBool(kSection, "DoNow", targets_.DoNowAct->isChecked());
    ini.WriteBool(kSection, "FolderBarVisible", targets_.FolderBarVisibleAct->isChecked());
    ini.WriteInteger(kSection, "WindowState", StoredWindowState(*targets_.Window));
    ini.WriteInteger(kSection, "RefreshMode", RefreshMode);
    ini.WriteInteger(kSection, "ImgViewMode", ImgViewMode);
    ini.WriteString(kSection, "CommonSendPath", withTrailingDelimiter(*targets_.CommonSendPath));
    targets_.FileInfos->FileInfoList().Defaults->SaveToIni(ini);
    targets_.LVFiles->StoreColumnWidths();
    targets_.Columns->ColumnInfos().SaveToIni(ini);
    ini.WriteBool(kDeepSection, "Enabled", targets_.DeepCheckAct->isChecked());
    ini.WriteBool(kDeepSection, "KeepFolders", targets_.KeepFoldersAct->isChecked());
    for (const std::string& key : deepColumnKeys())
        moveKey(ini, kColumnSection, kDeepSection, key);
    // Last, after the sections of the specified layout. A hidden tree has
    // no width: the one it had is kept.
    if (targets_.FolderSplitter && targets_.FolderTree->isVisible())
        FolderBarWidth = targets_.FolderSplitter->sizes().value(0);
    if (FolderBarWidth > 0)
        ini.WriteInteger(kWindowSection, "FolderBarWidth", FolderBarWidth);
    return ini.UpdateFile();
}

uint8_t StoredWindowState(const QWidget& window)
{
    const Qt::WindowStates state = window.windowState();
    if (state & Qt::WindowMinimized)
        return 1;
    if (state & Qt::WindowMaximized)
        return 2;
    return 0;
}

void ApplyStoredWindowState(QWidget& window, uint8_t state)
{
    // Values other than 1 and 2 open the window normally.
    window.setWindowState(state == 1 ? Qt::WindowMinimized : state == 2 ? Qt::WindowMaximized : Qt::WindowNoState);
}

std::string SettingsFolder(const std::string& executableFolder)
{
    if (!IsInstalledCopy(executableFolder) && ::access(executableFolder.c_str(), W_OK) == 0)
        return withTrailingDelimiter(executableFolder);
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                           QStringLiteral("/Scanlark");
    QDir().mkpath(config);
    return withTrailingDelimiter(FromQtFileName(config));
}
