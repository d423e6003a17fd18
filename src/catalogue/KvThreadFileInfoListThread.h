// The enumeration worker of TKvThreadFileInfoList: lists into a private list
// and hands the entries over on the main thread when it ends.
#pragma once

#include "catalogue/KvFileInfoList.h"
#include "platform/KvThread.h"

class TKvThreadFileInfoList;

class TKvThreadFileInfoListThread : public TKvThread {
    Q_OBJECT

public:
    // Copies Path, Options and ExtList of owner into the private list. Main thread.
    explicit TKvThreadFileInfoListThread(TKvThreadFileInfoList* owner);
    ~TKvThreadFileInfoListThread() override;

    // Sets the priority and the end event, marks the worker to free itself,
    // and resumes it.
    void Start(int priority);

protected:
    void Execute() override;

private:
    TKvThreadFileInfoList* owner_;
    TKvFileInfoList private_;
    TNotifyEvent folderScanned_;
};
