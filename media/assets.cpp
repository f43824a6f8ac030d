#include "media/assets.h"

#include "media/assets_data.h"

namespace pelomar {

AssetView soundFor(int n) {
    if (n < 1 || n > kSymbolCount) return {};
    return assets_data::kSounds[n - 1];
}

AssetView cardFor(int n) {
    if (n < 1 || n > kSymbolCount) return {};
    return assets_data::kCards[n - 1];
}

AssetView chartPicture() { return assets_data::kChart; }
AssetView logoPicture() { return assets_data::kLogo; }
AssetView portraitPicture() { return assets_data::kPortrait; }

}  // namespace pelomar
