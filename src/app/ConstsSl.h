// The product's own texts and names.
#pragma once

#include "version/Version.h"

#include <QCoreApplication>
#include <QString>

inline const QString ProductTitle = QStringLiteral("Scanlark");
inline const QString ProductVersion = QStringLiteral(SCANLARK_VERSION);
// Names the single-instance lock and socket; one per user.
inline const QString SingleInstanceName = QStringLiteral("KorvelScanlark");
// A function, not a constant: the text is translated once the catalogue is
// installed, after static initialisation.
inline QString InvalidFolderText()
{
    return QCoreApplication::translate("MainWindow", "無効なフォルダです。");
}
