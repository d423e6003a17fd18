#include "components/DamageBand.h"

#include "components/ScanlarkCellTexts.h"
#include "decode/DeepInfo.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

std::vector<TKvRowBand> DamageBands(const DeepInfo& deep, int imageHeight)
{
    std::vector<TKvRowBand> bands;
    if (deep.Verdict != DeepVerdict::Damaged || deep.FirstBadRow < 0 || deep.RowHeight <= 0 || imageHeight <= 0)
        return bands;
    const auto pixelRow = [&](int64_t mcuRow) {
        return static_cast<int>(std::clamp<int64_t>(mcuRow * deep.RowHeight, 0, imageHeight));
    };
    for (const RowSpan& span : deep.DamagedRows) {
        const TKvRowBand band{pixelRow(span.First), pixelRow(int64_t{span.Last} + 1)};
        if (band.Bottom > band.Top)
            bands.push_back(band);
    }
    // Damage known to start somewhere but not where it ends runs to the bottom.
    if (deep.DamagedRows.empty() && pixelRow(deep.FirstBadRow) < imageHeight)
        bands.push_back({pixelRow(deep.FirstBadRow), imageHeight});
    return bands;
}

QString DamageHint(const DeepInfo& deep)
{
    QString hint;
    if (deep.Verdict == DeepVerdict::Damaged) {
        // Rounded down, as the "無傷の割合" column: damage never shows 100%.
        const int percent = deep.SoundFraction >= 1 ? 100
                            : deep.SoundFraction >= 0 ? static_cast<int>(std::floor(deep.SoundFraction * 100))
                                                     : 0;
        hint += deep.FirstBadRow >= 0 ? QCoreApplication::translate("Preview", " 破損: 行 %1 から, 無傷 %2%").arg(deep.FirstBadRow).arg(percent)
                                      : QCoreApplication::translate("Preview", " 破損: 無傷 %1%").arg(percent);
    }
    if (deep.Trailer.Kind != TrailerKind::None)
        hint += QCoreApplication::translate("Preview", " 付加データ: %1").arg(TrailerKindName(deep.Trailer.Kind));
    return hint;
}
