#pragma once
// Writes small image files at test time, so the loader is tested on bytes we
// know without any external program.
#include "graphics/Pixels.hpp"

#include <cstdint>
#include <vector>

namespace vf::test {

// Uncompressed PNG; colourType 0 grey, 2 RGB, 4 grey+alpha, 6 RGBA; samples
// (8 or 16 bits each) row by row.
std::vector<uint8_t> encodePng(int width, int height, int colourType, int bitDepth, const std::vector<uint16_t>& samples);

// Baseline JPEG of one flat colour.
std::vector<uint8_t> encodeFlatJpeg(int width, int height, RGBA colour);

} // namespace vf::test
