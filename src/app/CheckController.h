// Checking from the window: checking the listed files, stopping (the check
// and a listing), the end of a check, the status bar and the rows following
// a running check, and selecting the damaged files. Parts used:
// KvThreadJpegChecker1, KvFileInfos1, KvRecentControl1, LVFiles,
// CheckProgressTimer, WorkCursor and Window.
#pragma once

class AddressBoxController;
class FileListController;
class PreviewController;
struct WindowParts;

class CheckController {
public:
    CheckController(WindowParts& parts, FileListController& list, AddressBoxController& addressBox,
                    PreviewController& preview);

    // Checks the listed files of the current folder, after putting the
    // folder on top of the history and emptying the preview. Nothing starts
    // while a listing runs, without rows, or when the history cannot be
    // written (which a message says).
    void CheckAll();
    // Stops the check and the listing.
    void Stop();
    // Stop is under way: a listing that ends meanwhile starts no check.
    bool Stopping() const { return stopping_; }
    // The check worker has ended.
    void CheckEnded();
    // A tick of CheckProgressTimer while the check runs.
    void FollowProgress();
    // Selects the rows whose check found damage: verdict 2 and up, or
    // image data that the deep check calls damaged.
    void SelectDamaged();

private:
    bool PrepareCheck();

    WindowParts& parts_;
    FileListController& list_;
    AddressBoxController& addressBox_;
    PreviewController& preview_;
    bool stopping_ = false;
};
