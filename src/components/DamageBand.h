// What the preview shows of the deep check's findings for the picture in the
// pane: the bands over its damaged rows and the words its hint adds.
#pragma once

#include "components/KvImageView.h"

#include <QString>

#include <vector>

struct DeepInfo;

// The damaged runs of MCU rows of deep as pixel rows of a picture
// imageHeight rows high, each from its first damaged row to the end of the
// run (the bottom, for damage without restart markers to end it); none for
// a picture the deep check found no damage in.
std::vector<TKvRowBand> DamageBands(const DeepInfo& deep, int imageHeight);

// " 破損: 行 N から, 無傷 NN%" (N as in the "破損開始行" column) for damage,
// then " 付加データ: <kind>" when something follows the image; empty when
// there is neither.
QString DamageHint(const DeepInfo& deep);
