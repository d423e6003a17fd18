// Icons of the process-wide file type table (IconTypeName), made once per
// index: the type's theme icon, else its generic icon, else the platform's
// file icon. Main thread only.
#pragma once

#include <QIcon>
#include <QObject>

#include <cstdint>
#include <unordered_map>

class TKvFileIconCache : public QObject {
public:
    using QObject::QObject;

    // The icon of type table entry index; a null icon for a negative index.
    QIcon Icon(int32_t index);

private:
    std::unordered_map<int32_t, QIcon> icons_;
};
