# Vector canvas: test_canvas routes the malloc family of the statically linked
# code through counting wrappers, so that "a fill allocates nothing once its
# buffers have grown" is measured rather than promised.
if(TARGET test_canvas)
  target_link_options(test_canvas PRIVATE -Wl,--wrap=malloc -Wl,--wrap=realloc -Wl,--wrap=calloc)
endif()

if(VF_BUILD_BENCHMARKS AND benchmark_FOUND AND EXISTS ${PROJECT_SOURCE_DIR}/bench/canvas/CanvasBench.cpp)
  add_executable(bench_canvas ${PROJECT_SOURCE_DIR}/bench/canvas/CanvasBench.cpp)
  target_link_libraries(bench_canvas PRIVATE vf_canvas benchmark::benchmark benchmark::benchmark_main)
endif()
