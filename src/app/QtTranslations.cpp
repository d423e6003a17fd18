#include "app/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

bool InstallTranslations(QCoreApplication& app, TextLanguage language)
{
    auto* translator = new QTranslator(&app);
    // Loaded by name, not through QLocale: the language was decided from
    // the environment, and a locale that is not generated must not matter.
    const bool loaded =
        language == TextLanguage::Japanese
            ? translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))
            : translator->load(QStringLiteral(":/i18n/scanlark_en.qm"));
    if (!loaded) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}
