// The file catalogue component of the window: one threaded file list and
// the properties the window sets on it.
#pragma once

#include "catalogue/KvThreadFileInfoList.h"

#include <QObject>

#include <string>
#include <vector>

class TKvFileInfos : public QObject {
    Q_OBJECT

public:
    explicit TKvFileInfos(QObject* Owner = nullptr);
    ~TKvFileInfos() override;

    TKvThreadFileInfoList& FileInfoList() { return list_; }
    const TKvThreadFileInfoList& FileInfoList() const { return list_; }

    const std::vector<std::string>& ExtList() const { return list_.ExtList; }
    void SetExtList(const std::vector<std::string>& extensions) { list_.ExtList = extensions; }
    const std::string& IniSectionName() const { return list_.Defaults->SectionName; }
    void SetIniSectionName(const std::string& name) { list_.Defaults->SectionName = name; }
    const TNotifyEvent& OnTerminate() const { return list_.OnTerminate; }
    void SetOnTerminate(TNotifyEvent handler) { list_.OnTerminate = std::move(handler); }
    TKvFileInfoListOptions Options() const { return list_.Options; }
    void SetOptions(TKvFileInfoListOptions options) { list_.Options = options; }
    const std::string& Path() const { return list_.Path(); }
    void SetPath(const std::string& path) { list_.SetPath(path); }
    uint8_t Priority() const { return list_.Priority; }
    void SetPriority(uint8_t priority) { list_.Priority = priority; }
    bool SortDown() const { return list_.SortDown; }
    void SetSortDown(bool down) { list_.SortDown = down; }
    TKvSortMode SortMode() const { return list_.SortMode; }
    void SetSortMode(TKvSortMode mode) { list_.SortMode = mode; }
    bool UseThread() const { return list_.UseThread; }
    void SetUseThread(bool useThread) { list_.UseThread = useThread; }

private:
    TKvThreadFileInfoList list_;
};
