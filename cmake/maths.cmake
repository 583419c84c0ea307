# The vector sine and arc sine are header-only templates (plugin/simd); their tests are part
# of test_plugin.  Here: the exhaustive arc sine check, the AVX2 and AVX-512 translation
# units, and the maths micro benchmark.

# The maths must be evaluated exactly as written wherever it is instantiated.
set_source_files_properties(
  ${PROJECT_SOURCE_DIR}/tests/plugin/VectorMathsTest.cpp
  ${PROJECT_SOURCE_DIR}/tests/plugin/VectorMathsAvx2Probe.cpp
  ${PROJECT_SOURCE_DIR}/tests/plugin/VectorMathsAvx512Probe.cpp
  PROPERTIES COMPILE_OPTIONS -ffp-contract=off SKIP_PRECOMPILE_HEADERS ON)

add_library(vf_maths_avx2_probe STATIC ${PROJECT_SOURCE_DIR}/tests/plugin/VectorMathsAvx2Probe.cpp
  ${PROJECT_SOURCE_DIR}/tests/plugin/VectorMathsAvx512Probe.cpp)
target_include_directories(vf_maths_avx2_probe PUBLIC ${PROJECT_SOURCE_DIR})

# Every float in [-1, 1] through the SSE2, AVX2 and AVX-512 arc sine (half a minute each
# way); with --sine, the sine's distance from std::sin over every float in [-4, 4] instead.
add_executable(arcsine_exhaustive_check ${PROJECT_SOURCE_DIR}/tools/maths/ArcSineExhaustiveCheck.cpp)
target_compile_options(arcsine_exhaustive_check PRIVATE -ffp-contract=off)
target_link_libraries(arcsine_exhaustive_check PRIVATE vf_maths_avx2_probe m)

if(VF_BUILD_TESTS)
  add_test(NAME maths.arcsine_exhaustive COMMAND arcsine_exhaustive_check)
  # Once more as on the audio thread, with denormals flushed.
  add_test(NAME maths.arcsine_exhaustive_flushed COMMAND arcsine_exhaustive_check --flush-denormals)
  set_tests_properties(maths.arcsine_exhaustive maths.arcsine_exhaustive_flushed PROPERTIES
    LABELS "exhaustive" TIMEOUT 900)
endif()

if(VF_BUILD_BENCHMARKS AND benchmark_FOUND)
  add_executable(bench_maths ${PROJECT_SOURCE_DIR}/bench/maths/MathsBenchmark.cpp)
  target_compile_options(bench_maths PRIVATE -ffp-contract=off)
  target_link_libraries(bench_maths PRIVATE vf_maths_avx2_probe benchmark::benchmark)
endif()
