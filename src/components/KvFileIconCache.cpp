#include "components/KvFileIconCache.h"

#include "platform/KvShellInfo.h"

#include <QFileIconProvider>
#include <QMimeDatabase>

QIcon TKvFileIconCache::Icon(int32_t index)
{
    if (index < 0)
        return {};
    auto found = icons_.find(index);
    if (found != icons_.end())
        return found->second;
    const QMimeType type = QMimeDatabase().mimeTypeForName(IconTypeName(index));
    QIcon icon;
    if (type.isValid())
        icon = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
    if (icon.isNull())
        icon = QFileIconProvider().icon(QAbstractFileIconProvider::File);
    return icons_.emplace(index, icon).first->second;
}
