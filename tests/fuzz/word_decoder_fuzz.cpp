// Coded words of any bytes: the first two bytes ask for a number of samples,
// the rest is taken as a coded sound. The decoder must never read outside the
// bytes, must give exactly the samples asked for or none, and the resampling
// must give exactly its length whatever the samples are.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "media/adpcm.h"
#include "media/resample.h"
#include "media/words.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const std::size_t count = std::size_t(data[0]) | std::size_t(data[1]) << 8;
    const std::span<const unsigned char> coded(data + 2, size - 2);
    const auto samples = pelomar::decodeAdpcm(coded, count);
    const bool whole = !coded.empty() && coded[0] <= 88 && coded.size() - 1 >= (count + 1) / 2;
    if (samples.size() != (whole ? count : 0)) std::abort();
    const auto played = pelomar::resampleTo22050(samples);
    if (played.size() != pelomar::resampledLength(samples.size())) std::abort();
    const auto word = pelomar::decodeWord(
        pelomar::CodedWord{pelomar::AssetView{coded.data(), coded.size()}, static_cast<std::uint32_t>(count)});
    if (word != played) std::abort();
    return 0;
}
