# GUI root, elements and compositors: threaded tests and the redraw benchmark.

if(VF_BUILD_TESTS AND TARGET test_gui)
  # Tests that run the thread pool also run under the "threads" label, so that a
  # ThreadSanitizer build can select them with `ctest -L threads`.
  gtest_discover_tests(test_gui TEST_FILTER "*Threads*:GUIPipeline*:PBRCompositor*"
    TEST_PREFIX "threads." DISCOVERY_MODE PRE_TEST
    PROPERTIES LABELS threads ENVIRONMENT "VF_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
  add_dependencies(threads_tests test_gui)
endif()

if(VF_BUILD_BENCHMARKS AND benchmark_FOUND)
  file(GLOB vf_gui_bench_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/bench/gui/*.cpp)
  if(vf_gui_bench_sources)
    add_executable(bench_gui ${vf_gui_bench_sources})
    target_link_libraries(bench_gui PRIVATE vf_gui benchmark::benchmark benchmark::benchmark_main)
  endif()
endif()

if(VF_BUILD_TESTS)
  # The root with a real window, on a virtual X server the test program starts.
  add_executable(test_gui_display ${PROJECT_SOURCE_DIR}/tests/gui/display/GUIGraphicsDisplayTest.cpp)
  target_link_libraries(test_gui_display PRIVATE vf_gui vf_window GTest::gtest)
  gtest_discover_tests(test_gui_display DISCOVERY_MODE PRE_TEST
    PROPERTIES LABELS "threads;display" RUN_SERIAL TRUE)
  add_dependencies(threads_tests test_gui_display)
endif()
