// Qt's own texts (dialog buttons, the folder chooser, the line-edit menu) in
// Japanese, to match the window, whose language is always Japanese.
#pragma once

class QCoreApplication;

// Installs a translator for Qt's "qtbase_ja" catalogue from Qt's translations
// folder, owned by app. Returns false when the catalogue is not installed
// (Debian package qt6-translations-l10n); Qt's texts then stay English.
// Main thread, once, after app is constructed.
bool InstallJapaneseQtTranslations(QCoreApplication& app);
