#include "catalogue/KvThreadFileInfoListThread.h"

#include "catalogue/KvNameKeyMaker.h"
#include "catalogue/KvThreadFileInfoList.h"
#include "platform/KvShellInfo.h"

TKvThreadFileInfoListThread::TKvThreadFileInfoListThread(TKvThreadFileInfoList* owner)
    : TKvThread(true), owner_(owner), folderScanned_(owner->OnFolderScanned)
{
    private_.Options = owner->Options;
    private_.SetPath(owner->Path());
    private_.ExtList = owner->ExtList;
    private_.ScannedCounter = &owner->scanned_;
    // Refresh has emptied the owner's vectors, which keep their capacity: a
    // folder listed again fills them without growing them.
    if (owner->AllFileInfos.empty())
        private_.AllFileInfos.swap(owner->AllFileInfos);
}

TKvThreadFileInfoListThread::~TKvThreadFileInfoListThread()
{
    // Execute reads private_: stop it before that member goes.
    Terminate();
    WaitFor();
}

void TKvThreadFileInfoListThread::Start(int priority)
{
    SetPriority(priority);
    OnTerminate = [owner = owner_](QObject* sender) { owner->WorkerEnded(sender); };
    FreeOnTerminate = true;
    Resume();
}

void TKvThreadFileInfoListThread::Execute()
{
    TKvShellInfoCache shell;
    const auto stopRequested = [this] { return Terminated(); };
    // The folder notification is a main-thread round trip; without a handler
    // it would only cost time, so it is made only when one is attached.
    std::function<void()> afterFolder;
    if (folderScanned_)
        afterFolder = [this] { Synchronize([this] { folderScanned_(this); }); };
    // Name keys are made alongside, for the sort that follows; the maker is
    // done with the entries before they are handed over.
    TKvNameKeyMaker nameKeys;
    try {
        private_.ScanTree(shell, stopRequested, afterFolder, &nameKeys);
    } catch (...) {
        // Whatever was found is still handed over; the end event reports the end.
        nameKeys.Abandon();
        Synchronize([this] { owner_->FinishStep(private_, Terminated()); });
        throw;
    }
    if (Terminated())
        nameKeys.Abandon();
    else
        nameKeys.Finish();
    Synchronize([this] { owner_->FinishStep(private_, Terminated()); });
}
