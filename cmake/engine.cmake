# The audio engine's extra build rules: its benchmark, the sound probe used by the
# host-level sound tests, and those tests.

if(VF_BUILD_BENCHMARKS AND benchmark_FOUND)
  add_executable(bench_engine ${PROJECT_SOURCE_DIR}/bench/engine/EngineBenchmark.cpp)
  target_link_libraries(bench_engine PRIVATE vf_plugin benchmark::benchmark)
endif()

if(VF_BUILD_TESTS)
  # Runs the engine over raw float audio and measures levels and harmonics.
  add_executable(sound_probe ${PROJECT_SOURCE_DIR}/tests/host/SoundProbe.cpp)
  target_link_libraries(sound_probe PRIVATE vf_plugin)

  # Renders through the built bundle with real LV2 tools; skipped (77) while there is no bundle.
  file(GLOB sound_tests CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/host/sound_*.sh)
  foreach(script ${sound_tests})
    get_filename_component(name ${script} NAME_WE)
    add_test(NAME host.${name} COMMAND bash ${script} $<TARGET_FILE:sound_probe>)
    set_tests_properties(host.${name} PROPERTIES
      LABELS "host"
      RUN_SERIAL TRUE
      SKIP_RETURN_CODE 77
      ENVIRONMENT "LV2_PATH=${PROJECT_BINARY_DIR};VF_BUNDLE_DIR=${PROJECT_BINARY_DIR}/Velmorin-Free.lv2")
  endforeach()
endif()

# The engine's vector kernels live one folder down; they belong to vf_plugin.
file(GLOB vf_simd_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/plugin/simd/*.cpp)
target_sources(vf_plugin PRIVATE ${vf_simd_sources})

if(VF_BUILD_TESTS)
  # The peer comparison script's arithmetic and verdicts, without running any plug-in.
  add_test(NAME peers.compare_script COMMAND bash ${PROJECT_SOURCE_DIR}/bench/peers/test-compare-peers.sh)
  set_tests_properties(peers.compare_script PROPERTIES LABELS "unit")
endif()
# The kernels gain a few percent from -O3's scheduling and inlining; it changes no
# arithmetic (contraction stays off for the whole library).
set_source_files_properties(${vf_simd_sources} PROPERTIES COMPILE_OPTIONS -O3)

if(VF_BUILD_TESTS)
  # The kernel probes of test_plugin instantiate the kernels' templates once more: they must
  # be compiled exactly as the library's kernels, and without the test headers' precompiled
  # header, which was parsed for the baseline target.
  file(GLOB vf_kernel_probe_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/plugin/KernelProbes*.cpp)
  list(REMOVE_ITEM vf_kernel_probe_sources ${PROJECT_SOURCE_DIR}/tests/plugin/KernelProbesTest.cpp)
  set_source_files_properties(${vf_kernel_probe_sources} PROPERTIES
    COMPILE_OPTIONS "-O3;-ffp-contract=off" SKIP_PRECOMPILE_HEADERS ON)
endif()
