// Base of the objects that load, save and default one object's settings in
// one section of the settings document.
#pragma once

#include <string>

class TKvMemIniFile;

class TKvCustomDefaults {
public:
    // owner: the object whose settings these are (not owned).
    explicit TKvCustomDefaults(void* owner) : Owner(owner) {}
    virtual ~TKvCustomDefaults() = default;
    TKvCustomDefaults(const TKvCustomDefaults&) = delete;
    TKvCustomDefaults& operator=(const TKvCustomDefaults&) = delete;

    virtual void LoadFromIni(TKvMemIniFile& Ini) = 0;
    virtual void ApplyDefaults() = 0;
    virtual void SaveToIni(TKvMemIniFile& Ini) = 0;

    void* Owner;
    std::string SectionName = "Options";
};
