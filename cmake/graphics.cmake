# Resampled images must come out the same byte for byte on every build and
# kernel: no fused multiply-adds.
target_compile_options(vf_graphics PRIVATE -ffp-contract=off)

# The resampler's band split runs on a thread pool: its test also runs under the
# "threads" label (ThreadSanitizer).
if(VF_BUILD_TESTS AND TARGET test_graphics)
  gtest_discover_tests(test_graphics TEST_FILTER "*ResizerKernels*" TEST_PREFIX "threads."
    DISCOVERY_MODE PRE_TEST PROPERTIES LABELS threads)
  add_dependencies(threads_tests test_graphics)
endif()

# Images: benchmarks of the mip filters and the resampler.
if(VF_BUILD_BENCHMARKS AND benchmark_FOUND)
  file(GLOB graphics_bench_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/bench/graphics/*.cpp)
  if(graphics_bench_sources)
    add_executable(bench_graphics ${graphics_bench_sources})
    target_link_libraries(bench_graphics PRIVATE vf_graphics benchmark::benchmark benchmark::benchmark_main)
  endif()
endif()

# Each public header of the image code compiles on its own.
set(graphics_own_headers Pixels ImageRef OwnedImage Mipmap ImageLoader ImageResizer ResizeFilter QoiDecoder LanczosPlan)
set(graphics_header_checks)
foreach(header ${graphics_own_headers})
  set(check ${PROJECT_BINARY_DIR}/header_checks/graphics/${header}.cpp)
  file(WRITE ${check}.in "#include \"graphics/${header}.hpp\"\n")
  configure_file(${check}.in ${check} COPYONLY)
  list(APPEND graphics_header_checks ${check})
endforeach()
add_library(check_graphics_headers OBJECT ${graphics_header_checks})
target_link_libraries(check_graphics_headers PRIVATE vf_graphics)
