// Small stateless helpers: size and attribute texts for the file list, a
// byte swap, an ordering of possibly-null pointers, and string helpers for
// INI keys, extension lists and NUL-separated path lists.
//
// Every function is pure and may be called from any thread. Texts for display
// are QString; paths are byte strings (std::string).
#pragma once

#include <QLocale>
#include <QString>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A total of bytes, 3 significant digits in locale's number format, with the
// unit that keeps the number below 1000: " バイト", " KB", " MB", " GB",
// " TB" (1 KB = 1024 bytes). A quotient that rounds up to 1000 is written
// "1000" in the smaller unit (1,023,999 bytes: "1000 KB"). A negative total
// gives "2GB以上".
QString SizeToStr(int64_t bytes, const QLocale& locale = QLocale::system());

// Whole kilobytes, (bytes + 1023) / 1024 truncated toward zero, with
// locale's thousands separator, then " KB": 1025 bytes give "2 KB".
QString SizeToKBStr(int64_t bytes, const QLocale& locale = QLocale::system());

// The letters of the set bits among 0x01 "R", 0x02 "H", 0x04 "S", 0x20 "A",
// in that order; every other bit is ignored.
QString AttrToStr(uint32_t attributes);

// Exchanges the two bytes: 0x1234 gives 0x3412.
constexpr uint16_t SwapWord(uint16_t value)
{
    return static_cast<uint16_t>((value << 8) | (value >> 8));
}

// -1 when only b is set, 1 when only a is set, 0 otherwise.
int ComparePointers(const void* a, const void* b);

// text without its leading ASCII lower-case letters: "filoHiddenFileView"
// gives "HiddenFileView".
QString StripLowerPrefix(const QString& text);

// text without its last byte; empty stays empty.
std::string DeleteLastChar(const std::string& text);
// text without its last character (a surrogate pair counts as one); empty
// stays empty.
QString DeleteLastChar(const QString& text);

// Removes every "*" and turns every ";" into ",": "*.jpeg;*.jpg" gives
// ".jpeg,.jpg".
QString FileMaskToExtList(const QString& masks);

// The extensions, as a comma list with dots, of the picture format
// mimeTypeName. The program's own picture formats come from its registry:
// "image/jpeg" gives exactly ".jpeg,.jpg". Any other type gives its masks and
// those of every image type that inherits from it, from the shared MIME
// database; only patterns of the form "*.ext" count. An unknown type gives
// the empty text.
QString GraphicExtList(const QString& mimeTypeName);

// Each string followed by one NUL, then one more NUL: {"a", "bc"} gives
// "a\0bc\0\0"; an empty list gives a single NUL. Throws std::invalid_argument
// for an empty string or one holding a NUL, which would end or split the list
// when it is read back.
std::string StringsToNulList(const std::vector<std::string>& strings);

// A JPEG comment's bytes as text: UTF-8 when valid, else Shift_JIS (cp932)
// when it decodes, else Latin-1.
QString DecodeCommentText(const std::string& bytes);
