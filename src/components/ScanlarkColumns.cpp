#include "components/ScanlarkColumns.h"

#include "components/KvListColumnInfo.h"

#include <QCoreApplication>

#include <array>

namespace {

constexpr std::array<TScanlarkColumnDesign, ScanlarkColumn::Count> kColumns{{
    {"Name", QT_TRANSLATE_NOOP("Columns", "名前"), Qt::AlignLeft, 120, true},
    {"FullFileName", QT_TRANSLATE_NOOP("Columns", "フルファイル名"), Qt::AlignLeft, 120, false},
    {"Path", QT_TRANSLATE_NOOP("Columns", "フォルダ名"), Qt::AlignLeft, 120, true},
    {"PathOnly", QT_TRANSLATE_NOOP("Columns", "フォルダ名のみ"), Qt::AlignLeft, 120, false},
    {"FindIndex", QT_TRANSLATE_NOOP("Columns", "発見順"), Qt::AlignRight, 60, false},
    {"Size", QT_TRANSLATE_NOOP("Columns", "サイズ"), Qt::AlignRight, 60, true},
    {"SizeDetail", QT_TRANSLATE_NOOP("Columns", "詳細サイズ"), Qt::AlignRight, 80, false},
    {"TypeName", QT_TRANSLATE_NOOP("Columns", "種類"), Qt::AlignLeft, 100, true},
    {"LastWriteTime", QT_TRANSLATE_NOOP("Columns", "更新日時"), Qt::AlignLeft, 145, true},
    {"Attr", QT_TRANSLATE_NOOP("Columns", "属性"), Qt::AlignLeft, 50, false},
    {"CreationTime", QT_TRANSLATE_NOOP("Columns", "作成日時"), Qt::AlignLeft, 145, false},
    {"LastAccessTime", QT_TRANSLATE_NOOP("Columns", "アクセス日時"), Qt::AlignLeft, 145, false},
    {"JPEG_Error", QT_TRANSLATE_NOOP("Columns", "エラー"), Qt::AlignLeft, 170, true},
    {"JPEG_AddBinary", QT_TRANSLATE_NOOP("Columns", "付加バイナリ"), Qt::AlignRight, 60, true},
    {"JPEG_Format", QT_TRANSLATE_NOOP("Columns", "フォーマット"), Qt::AlignLeft, 95, true},
    {"JPEG_MacBinary", QT_TRANSLATE_NOOP("Columns", "Macバイナリ"), Qt::AlignHCenter, 25, true},
    {"JPEG_Grayscale", QT_TRANSLATE_NOOP("Columns", "グレイスケール"), Qt::AlignHCenter, 25, true},
    {"JPEG_Width", QT_TRANSLATE_NOOP("Columns", "横ピクセル"), Qt::AlignRight, 40, true},
    {"JPEG_Height", QT_TRANSLATE_NOOP("Columns", "縦ピクセル"), Qt::AlignRight, 40, true},
    {"JPEG_ThumbWidth", QT_TRANSLATE_NOOP("Columns", "横ピクセル(サムネイル)"), Qt::AlignRight, 30, true},
    {"JPEG_ThumbHeight", QT_TRANSLATE_NOOP("Columns", "縦ピクセル(サムネイル)"), Qt::AlignRight, 30, true},
    {"JPEG_Version", QT_TRANSLATE_NOOP("Columns", "バージョン"), Qt::AlignLeft, 60, true},
    {"JPEG_Comment", QT_TRANSLATE_NOOP("Columns", "コメント"), Qt::AlignLeft, 120, true},
    {"JPEG_Quality", QT_TRANSLATE_NOOP("Columns", "推定圧縮品質(1-100)"), Qt::AlignRight, 45, true},
    {"JPEG_IJGQuality", QT_TRANSLATE_NOOP("Columns", "IJG圧縮品質(1-100)"), Qt::AlignRight, 45, true},
    {"JPEG_DeepVerdict", QT_TRANSLATE_NOOP("Columns", "画像データ"), Qt::AlignLeft, 70, false},
    {"JPEG_SoundFraction", QT_TRANSLATE_NOOP("Columns", "無傷の割合"), Qt::AlignRight, 70, false},
    {"JPEG_FirstBadRow", QT_TRANSLATE_NOOP("Columns", "破損開始行"), Qt::AlignRight, 70, false},
    {"JPEG_Trailer", QT_TRANSLATE_NOOP("Columns", "付加データ"), Qt::AlignLeft, 140, false},
}};

} // namespace

std::span<const TScanlarkColumnDesign> ScanlarkColumnTable() { return kColumns; }

void FillScanlarkColumns(TKvColumnInfos& infos)
{
    TKvListColumnInfos& columns = infos.ColumnInfos();
    columns.Clear();
    for (const TScanlarkColumnDesign& design : kColumns) {
        TKvListColumnInfo& info = columns.Add();
        info.IdentName = design.IdentName;
        info.Caption = QCoreApplication::translate("Columns", design.Caption);
        info.Alignment = design.Alignment;
        info.SetDefaultWidth(design.Width);
        info.SetDefaultVisible(design.Visible);
    }
}
