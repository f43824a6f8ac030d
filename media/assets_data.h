// Declarations of the data tables that the build generates from media/assets/.
#pragma once

#include "chart/symbol_chart.h"
#include "media/assets.h"

namespace pelomar::assets_data {

extern const AssetView kSounds[kSymbolCount];
extern const AssetView kCards[kSymbolCount];
extern const AssetView kChart;
extern const AssetView kLogo;
extern const AssetView kPortrait;

}  // namespace pelomar::assets_data
