#include "catalogue/KvThreadFileInfoList.h"

#include "catalogue/KvThreadFileInfoListThread.h"
#include "catalogue/KvUtils.h"
#include "platform/KvMemIniFile.h"

namespace {

const char* const kOptionNames[] = {"filoHiddenFileView", "filoIncludePath", "filoSubFolderSearch"};

std::string optionKey(TKvFileInfoListOption option)
{
    return StripLowerPrefix(QString::fromLatin1(kOptionNames[option])).toStdString();
}

}  // namespace

TKvThreadFileInfoListDefaults::TKvThreadFileInfoListDefaults(TKvThreadFileInfoList* owner) : TKvCustomDefaults(owner)
{
    SectionName = "OptionFileInfoList";
}

void TKvThreadFileInfoListDefaults::LoadFromIni(TKvMemIniFile& Ini)
{
    TKvThreadFileInfoList& owner = list();
    TKvFileInfoListOptions options;
    for (const TKvFileInfoListOption option : kAllFileInfoListOptions) {
        if (Ini.ReadBool(SectionName, optionKey(option), DefaultOptions.Contains(option)))
            options.Include(option);
    }
    owner.Options = options;
    const int32_t priority = Ini.ReadInteger(SectionName, "Priority", DefaultPriority) & 0xFF;
    owner.Priority = static_cast<uint8_t>(priority <= 6 ? priority : DefaultPriority);
    owner.SortDown = Ini.ReadBool(SectionName, "SortDown", DefaultSortDown);
    owner.SortMode = SortModeFromInt(Ini.ReadInteger(SectionName, "SortMode", DefaultSortMode));
}

void TKvThreadFileInfoListDefaults::ApplyDefaults()
{
    TKvThreadFileInfoList& owner = list();
    owner.Options = DefaultOptions;
    owner.Priority = DefaultPriority;
    owner.SortDown = DefaultSortDown;
    owner.SortMode = DefaultSortMode;
}

void TKvThreadFileInfoListDefaults::SaveToIni(TKvMemIniFile& Ini)
{
    const TKvThreadFileInfoList& owner = list();
    // "IncludePath" is read but never written: it lasts one run.
    Ini.WriteBool(SectionName, optionKey(filoHiddenFileView), owner.Options.Contains(filoHiddenFileView));
    Ini.WriteBool(SectionName, optionKey(filoSubFolderSearch), owner.Options.Contains(filoSubFolderSearch));
    Ini.WriteBool(SectionName, "SortDown", owner.SortDown);
    Ini.WriteInteger(SectionName, "Priority", owner.Priority);
    Ini.WriteInteger(SectionName, "SortMode", owner.SortMode);
    // The document goes to disk once, whole, when its owner saves it: a
    // write here would leave a file without the sections that follow if the
    // program were killed between the two.
}

TKvThreadFileInfoList::TKvThreadFileInfoList() : Defaults(std::make_unique<TKvThreadFileInfoListDefaults>(this))
{
    Defaults->ApplyDefaults();
}

TKvThreadFileInfoList::~TKvThreadFileInfoList()
{
    // The worker refers to this list; it must not outlive it.
    Stop();
}

void TKvThreadFileInfoList::Refresh()
{
    if (!UseThread) {
        TKvFileInfoList::Refresh();
        if (OnTerminate)
            OnTerminate(this);
        return;
    }
    Stop();
    ClearAll();
    busy_ = true;
    stopped_ = false;
    scanned_.store(0, std::memory_order_relaxed);
    worker_ = new TKvThreadFileInfoListThread(this);
    worker_->Start(Priority);
}

void TKvThreadFileInfoList::Stop()
{
    // Also after the finish step: the end event may still be to come.
    if (!worker_)
        return;
    TKvThreadFileInfoListThread* worker = worker_;
    worker->FreeOnTerminate = false;  // taken over: deleted here, not by itself
    worker->Terminate();
    worker->WaitFor();
    worker_ = nullptr;
    delete worker;
}

void TKvThreadFileInfoList::FinishStep(TKvFileInfoList& found, bool stopped)
{
    Folders = std::move(found.Folders);
    AllFileInfos = std::move(found.AllFileInfos);
    // Filtered with the options in force now, not those at the start.
    NumberEntries();
    FilterEntries();
    stopped_ = stopped;
    busy_ = false;
}

void TKvThreadFileInfoList::WorkerEnded(QObject* sender)
{
    // A worker that ends by itself frees itself after this; forget it.
    if (worker_ == sender && worker_->FreeOnTerminate)
        worker_ = nullptr;
    busy_ = false;  // also when the worker failed before its finish step
    if (OnTerminate)
        OnTerminate(sender);
}
