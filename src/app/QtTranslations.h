// The window's language: Japanese as written where the desktop asks for
// Japanese, English everywhere else (the locale read from the environment,
// so a machine without generated locales answers the same).
#pragma once

#include "inspection/TextLanguage.h"

class QCoreApplication;

// Japanese: Qt's own texts (dialog buttons, the folder chooser, the
// line-edit menu) from Qt's "qtbase_ja" catalogue, when installed (Debian
// package qt6-translations-l10n). English: this program's catalogue,
// built into it; Qt's own texts are English already. Translators are owned
// by app. Main thread, once, after app is constructed and before any window.
// Returns false when a catalogue could not be loaded.
bool InstallTranslations(QCoreApplication& app, TextLanguage language);
