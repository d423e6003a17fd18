// The product's own texts and names.
#pragma once

#include <QString>

inline const QString ProductTitle = QStringLiteral("Scanlark");
inline const QString ProductVersion = QStringLiteral("1.81");
// Names the single-instance lock and socket; one per user.
inline const QString SingleInstanceName = QStringLiteral("KorvelScanlark");
inline const QString InvalidFolderText = QStringLiteral("無効なフォルダです。");
