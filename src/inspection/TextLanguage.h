// Which language the person's desktop asks for. Read from the environment
// as gettext and Qt do (LANGUAGE, LC_ALL, LC_MESSAGES, LANG; the first one
// set decides), not through setlocale: a machine without generated locales
// answers the same. Japanese keeps the texts as written; anything else gets
// the English catalogue.
#pragma once

enum class TextLanguage { Japanese, English };

TextLanguage LanguageFromEnvironment();

// For one variable's value ("ja_JP.UTF-8", "en:ja", "C"): the language it
// names; a list (LANGUAGE) is decided by its first entry.
TextLanguage LanguageOfLocaleName(const char* value);
