// The AVX2 kernel probes, compiled as HighRateAvx2.cpp compiles the kernels.
#include "plugin/simd/KernelBaseline.hpp"
#include "tests/plugin/KernelProbes.hpp"

VF_TARGET_BEGIN("avx2,fma")

#include "plugin/simd/Avx2Stages.hpp"
#include "tests/plugin/KernelProbeSteps.hpp"

namespace vf::simd {
VF_KERNEL_PROBES(Avx2)
} // namespace vf::simd

VF_TARGET_END()
