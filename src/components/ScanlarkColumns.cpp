#include "components/ScanlarkColumns.h"

#include "components/KvListColumnInfo.h"

#include <array>

namespace {

constexpr std::array<TScanlarkColumnDesign, ScanlarkColumn::Count> kColumns{{
    {"Name", "名前", Qt::AlignLeft, 120, true},
    {"FullFileName", "フルファイル名", Qt::AlignLeft, 120, false},
    {"Path", "フォルダ名", Qt::AlignLeft, 120, true},
    {"PathOnly", "フォルダ名のみ", Qt::AlignLeft, 120, false},
    {"FindIndex", "発見順", Qt::AlignRight, 60, false},
    {"Size", "サイズ", Qt::AlignRight, 60, true},
    {"SizeDetail", "詳細サイズ", Qt::AlignRight, 80, false},
    {"TypeName", "種類", Qt::AlignLeft, 100, true},
    {"LastWriteTime", "更新日時", Qt::AlignLeft, 145, true},
    {"Attr", "属性", Qt::AlignLeft, 50, false},
    {"CreationTime", "作成日時", Qt::AlignLeft, 145, false},
    {"LastAccessTime", "アクセス日時", Qt::AlignLeft, 145, false},
    {"JPEG_Error", "エラー", Qt::AlignLeft, 170, true},
    {"JPEG_AddBinary", "付加バイナリ", Qt::AlignRight, 60, true},
    {"JPEG_Format", "フォーマット", Qt::AlignLeft, 95, true},
    {"JPEG_MacBinary", "Macバイナリ", Qt::AlignHCenter, 25, true},
    {"JPEG_Grayscale", "グレイスケール", Qt::AlignHCenter, 25, true},
    {"JPEG_Width", "横ピクセル", Qt::AlignRight, 40, true},
    {"JPEG_Height", "縦ピクセル", Qt::AlignRight, 40, true},
    {"JPEG_ThumbWidth", "横ピクセル(サムネイル)", Qt::AlignRight, 30, true},
    {"JPEG_ThumbHeight", "縦ピクセル(サムネイル)", Qt::AlignRight, 30, true},
    {"JPEG_Version", "バージョン", Qt::AlignLeft, 60, true},
    {"JPEG_Comment", "コメント", Qt::AlignLeft, 120, true},
    {"JPEG_Quality", "推定圧縮品質(1-100)", Qt::AlignRight, 45, true},
    {"JPEG_IJGQuality", "IJG圧縮品質(1-100)", Qt::AlignRight, 45, true},
    {"JPEG_DeepVerdict", "画像データ", Qt::AlignLeft, 70, false},
    {"JPEG_SoundFraction", "無傷の割合", Qt::AlignRight, 70, false},
    {"JPEG_FirstBadRow", "破損開始行", Qt::AlignRight, 70, false},
    {"JPEG_Trailer", "付加データ", Qt::AlignLeft, 140, false},
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
        info.Caption = QString::fromUtf8(design.Caption);
        info.Alignment = design.Alignment;
        info.SetDefaultWidth(design.Width);
        info.SetDefaultVisible(design.Visible);
    }
}
