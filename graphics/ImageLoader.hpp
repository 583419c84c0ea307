#pragma once
#include "graphics/OwnedImage.hpp"
#include "graphics/Pixels.hpp"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace vf {

// Decodes a whole QOI, PNG or JPEG file held in memory (chosen by signature)
// into straight-alpha RGBA: grey is replicated, missing alpha becomes 255,
// 16-bit samples keep their high byte. Never returns null: data that is too
// short, has no known signature, fails to decode or holds more than
// QoiDecoder::maxPixels pixels gives an empty image (zero size, no storage).
// Any thread; allocates.
std::unique_ptr<OwnedImage<RGBA>> loadOwnedImage(const uint8_t* data, std::size_t size);

} // namespace vf
