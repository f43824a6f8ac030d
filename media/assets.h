// The sounds and pictures compiled into the program. Every view points at
// read-only data that lives as long as the program.
#pragma once

#include <cstddef>

namespace pelomar {

struct AssetView {
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    bool empty() const { return size == 0; }
};

// The WAV image of symbol n (1..48); an empty view for any other n.
AssetView soundFor(int n);
// The GIF card of symbol n (1..48); an empty view for any other n.
AssetView cardFor(int n);

AssetView chartPicture();     // 530 x 459
AssetView logoPicture();      // 350 x 195
AssetView portraitPicture();  // 150 x 150

}  // namespace pelomar
