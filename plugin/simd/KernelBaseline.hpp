#pragma once

// What the vector kernels share with baseline code (standard library, baseline lane types,
// scalar helpers).  A translation unit that switches the target includes this first, so
// that no function two of them define is compiled with wider instructions.

#include "plugin/DownsamplingNx.hpp"
#include "plugin/KneeLimit.hpp"
#include "plugin/simd/HighRatePath.hpp"
#include "plugin/simd/ScalarLanes.hpp"
#include "plugin/simd/Sse2Lanes.hpp"
#include "plugin/simd/TargetRegion.hpp"

#include <immintrin.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>
