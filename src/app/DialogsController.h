// The window's dialogs: the options ("オプション(&O)...", and its columns
// page through "列の設定(&N)...") and the history editor ("履歴の編集(&E)...").
// Both are refused while a listing or a check runs: they change what the
// workers read. Parts used: AppOptions, KvFileInfos1, KvThreadJpegChecker1,
// LVFiles and Window.
#pragma once

class AddressBoxController;
class FileListController;
struct WindowParts;

class DialogsController {
public:
    DialogsController(WindowParts& parts, FileListController& list, AddressBoxController& addressBox);

    // The options dialog, opened on its columns page with columnsPage. The
    // rows follow a change of the sort column.
    void EditOptions(bool columnsPage);
    // The history editor; "folder.txt" is written at the next check start
    // or at close.
    void EditHistory();

private:
    bool WorkerRunning() const;

    WindowParts& parts_;
    FileListController& list_;
    AddressBoxController& addressBox_;
};
