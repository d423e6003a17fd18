// The list editor window ("リストエディター"): the person reorders, prunes
// and clears a list of paths, then confirms with OK or discards with
// "キャンセル". It works on its own copy (FileNameList); EditFileNameList
// writes the copy back only after OK.
//
// Paths are bytes throughout: the rows show DisplayPath of each, and nothing
// shown is ever read back as a path.
//
// Object names: "KvListView1" (the rows), the actions "ActNumber",
// "ActDelete", "ActDeleteInvalidFolders", "ActClear", "ActSetStatusBarText"
// and their buttons "ButtonNumber", "ButtonDelete",
// "ButtonDeleteInvalidFolders", "ButtonClear", the buttons "ButtonOK" and
// "ButtonCancel", the status panels "StatusBar1Panel0" .. "StatusBar1Panel2".
// Main thread only.
#pragma once

#include "components/KvEditFileNameList.h"

#include <QDialog>

#include <memory>
#include <string>
#include <vector>

class QAction;
class QLabel;
class QStatusBar;
class TKvColumnInfos;
class TKvListView;

class TFormKvEditFileList : public QDialog {
    Q_OBJECT

public:
    explicit TFormKvEditFileList(QWidget* owner = nullptr);
    ~TFormKvEditFileList() override;

    TKvEditFileNameList FileNameList;
    TKvListView* KvListView1 = nullptr;

    // Shows FileNameList afresh (after it was filled).
    void ShowList();

private:
    void FormCreate();
    QString KvListView1Data(int row, int column) const;
    void KvListView1ColumnClick(int column);
    void KvListView1MouseMove();
    void ActNumberExecute();
    void ActDeleteExecute();
    void ActDeleteInvalidFoldersExecute();
    void ActClearExecute();
    void ActSetStatusBarTextExecute();

    std::unique_ptr<TKvColumnInfos> KvColumnInfos1;
    QAction* ActNumber = nullptr;
    QAction* ActDelete = nullptr;
    QAction* ActDeleteInvalidFolders = nullptr;
    QAction* ActClear = nullptr;
    QAction* ActSetStatusBarText = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    std::vector<QLabel*> panels_;
};

// Opens the editor modally on strings (owned by owner). After OK the edited
// list replaces strings and the result is true; otherwise strings stay as
// they were and the result is false.
bool EditFileNameList(QWidget* owner, std::vector<std::string>& strings);

// Whether path names a folder that exists now (a folder that cannot be
// reached counts as missing). Paths of any length.
bool FolderExists(const std::string& path);
