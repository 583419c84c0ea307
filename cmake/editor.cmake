# Editor: the thread-labelled tests and the frame benchmarks.
if(VF_BUILD_TESTS AND TARGET test_editor)
  # The editor is also built on the plug-in's own client.
  target_link_libraries(test_editor PRIVATE vf_plugin)
  # Renders of the whole editor land here, whatever the working directory.
  target_compile_definitions(test_editor PRIVATE VF_TEST_OUTPUT_DIR="${PROJECT_BINARY_DIR}")
  # The label redrawn while another thread changes its parameter; meant for the
  # thread-sanitizer build: ctest -L threads
  gtest_discover_tests(test_editor TEST_FILTER "*Concurrent*" DISCOVERY_MODE PRE_TEST
    TEST_PREFIX "threads." PROPERTIES LABELS threads)
  add_dependencies(threads_tests test_editor)
endif()

if(VF_BUILD_BENCHMARKS AND benchmark_FOUND)
  file(GLOB editor_bench_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/bench/editor/*.cpp)
  if(editor_bench_sources)
    add_executable(bench_editor ${editor_bench_sources})
    target_link_libraries(bench_editor PRIVATE vf_editor vf_plugin benchmark::benchmark benchmark::benchmark_main)
  endif()
endif()
