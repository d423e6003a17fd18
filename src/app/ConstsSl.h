// The product's own texts and names.
#pragma once

#include "version/Version.h"

#include <QString>

inline const QString ProductTitle = QStringLiteral("Scanlark");
inline const QString ProductVersion = QStringLiteral(SCANLARK_VERSION);
// Names the single-instance lock and socket; one per user.
inline const QString SingleInstanceName = QStringLiteral("KorvelScanlark");
inline const QString InvalidFolderText = QStringLiteral("無効なフォルダです。");
