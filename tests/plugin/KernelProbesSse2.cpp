// The SSE2 kernel probes, compiled as HighRateSse2.cpp compiles the kernels.
#include "tests/plugin/KernelProbeSteps.hpp"

namespace vf::simd {
VF_KERNEL_PROBES(Sse2)
} // namespace vf::simd
