#include "inspection/KvJpegInfoConsts.h"

const char* const JpegVerdictTexts[8] = {
    "なし",
    "なし(付加バイナリ有り)",
    "JPEGファイルが破損しています",
    "不明なエラー",
    "ファイルが存在しません",
    "ファイルを開けません",
    "ファイルサイズが0 バイトです",
    "JPEGファイルではありません",
};

const char* const JpegProcessTexts[17] = {
    "",
    "ベースライン ハフマン圧縮",
    "拡張シーケンシャル ハフマン圧縮",
    "プログレッシブ ハフマン圧縮",
    "ロスレス ハフマン圧縮",
    "不明(SOF4)",
    "微分シーケンシャル ハフマン圧縮",
    "微分プログレッシブ ハフマン圧縮",
    "微分ロスレス ハフマン圧縮",
    "不明(SOF8)",
    "拡張シーケンシャル 算術圧縮",
    "プログレッシブ 算術圧縮",
    "ロスレス 算術圧縮",
    "不明(SOF12)",
    "微分シーケンシャル 算術圧縮",
    "微分プログレッシブ 算術圧縮",
    "微分ロスレス 算術圧縮",
};

const char* JpegVerdictText(int32_t verdict)
{
    return verdict >= 0 && verdict < 8 ? JpegVerdictTexts[verdict] : "";
}

const char* JpegProcessText(int32_t processCode)
{
    return processCode >= -1 && processCode <= 15 ? JpegProcessTexts[processCode + 1] : "";
}
