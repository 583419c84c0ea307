// The AVX-512 kernel probes, compiled as HighRateAvx512.cpp compiles the kernels.
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif

#include "plugin/simd/KernelBaseline.hpp"
#include "tests/plugin/KernelProbes.hpp"

VF_TARGET_BEGIN("avx2,fma")
#include "plugin/simd/Avx2Lanes.hpp"
VF_TARGET_END()

VF_TARGET_BEGIN("avx2,fma,avx512f,avx512dq,avx512vl")

#include "plugin/simd/Avx512Stages.hpp"
#include "tests/plugin/KernelProbeSteps.hpp"

namespace vf::simd {
VF_KERNEL_PROBES(Avx512)
} // namespace vf::simd

VF_TARGET_END()
