#include "inspection/KvJpegInfoConsts.h"

// Marks the texts for lupdate without Qt: the window translates them under
// the context "JpegTexts", and scanlark-check through a table made from the
// same catalogue at build time.
#define QT_TRANSLATE_NOOP(context, text) text

const char* const JpegVerdictTexts[8] = {
    QT_TRANSLATE_NOOP("JpegTexts", "なし"),
    QT_TRANSLATE_NOOP("JpegTexts", "なし(付加バイナリ有り)"),
    QT_TRANSLATE_NOOP("JpegTexts", "JPEGファイルが破損しています"),
    QT_TRANSLATE_NOOP("JpegTexts", "不明なエラー"),
    QT_TRANSLATE_NOOP("JpegTexts", "ファイルが存在しません"),
    QT_TRANSLATE_NOOP("JpegTexts", "ファイルを開けません"),
    QT_TRANSLATE_NOOP("JpegTexts", "ファイルサイズが0 バイトです"),
    QT_TRANSLATE_NOOP("JpegTexts", "JPEGファイルではありません"),
};

const char* const JpegProcessTexts[17] = {
    "",
    QT_TRANSLATE_NOOP("JpegTexts", "ベースライン ハフマン圧縮"),
    QT_TRANSLATE_NOOP("JpegTexts", "拡張シーケンシャル ハフマン圧縮"),
    QT_TRANSLATE_NOOP("JpegTexts", "プログレッシブ ハフマン圧縮"),
    QT_TRANSLATE_NOOP("JpegTexts", "ロスレス ハフマン圧縮"),
    QT_TRANSLATE_NOOP("JpegTexts", "不明(SOF4)"),
    QT_TRANSLATE_NOOP("JpegTexts", "微分シーケンシャル ハフマン圧縮"),
    QT_TRANSLATE_NOOP("JpegTexts", "微分プログレッシブ ハフマン圧縮"),
    QT_TRANSLATE_NOOP("JpegTexts", "微分ロスレス ハフマン圧縮"),
    QT_TRANSLATE_NOOP("JpegTexts", "不明(SOF8)"),
    QT_TRANSLATE_NOOP("JpegTexts", "拡張シーケンシャル 算術圧縮"),
    QT_TRANSLATE_NOOP("JpegTexts", "プログレッシブ 算術圧縮"),
    QT_TRANSLATE_NOOP("JpegTexts", "ロスレス 算術圧縮"),
    QT_TRANSLATE_NOOP("JpegTexts", "不明(SOF12)"),
    QT_TRANSLATE_NOOP("JpegTexts", "微分シーケンシャル 算術圧縮"),
    QT_TRANSLATE_NOOP("JpegTexts", "微分プログレッシブ 算術圧縮"),
    QT_TRANSLATE_NOOP("JpegTexts", "微分ロスレス 算術圧縮"),
};

const char* JpegVerdictText(int32_t verdict)
{
    return verdict >= 0 && verdict < 8 ? JpegVerdictTexts[verdict] : "";
}

const char* JpegProcessText(int32_t processCode)
{
    return processCode >= -1 && processCode <= 15 ? JpegProcessTexts[processCode + 1] : "";
}
