// Case-insensitive collation in the user's language, as comparisons and as
// sort keys that order exactly like the comparisons. Both texts are
// lower-cased, then compared in the locale's collation at full strength: texts
// that differ only in case compare equal; any other difference (accents, kana
// type, character width) orders them, so the order is total and a descending
// sort is the exact reverse. Any thread: each thread gets a collator of its
// own.
#pragma once

#include <QString>

#include <string>
#include <string_view>

// <0, 0 or >0 as a sorts before, with or after b.
int CollateTexts(const QString& a, const QString& b);
int CollateFileNames(std::string_view a, std::string_view b);

// A key whose byte order (std::string comparison) is the collation order.
// Never empty, so an empty string can stand for "not made yet".
std::string CollationKey(const QString& text);
std::string FileNameCollationKey(std::string_view name);

// File names are bytes; shown and collated as the file system's encoding.
QString DecodeFileName(std::string_view bytes);
