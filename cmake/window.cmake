# The X11 window, its display-backed tests, the LV2 test host and its scripts.

if(VF_BUILD_TESTS)
  # The threaded unit tests run a second time under the "threads" label, so that a
  # ThreadSanitizer build can select them with `ctest -L threads`.
  if(TARGET test_core)
    gtest_discover_tests(test_core TEST_FILTER "Thread*" TEST_PREFIX "threads."
      DISCOVERY_MODE PRE_TEST PROPERTIES LABELS threads)
    add_dependencies(threads_tests test_core)
  endif()

  # Window tests against a virtual X server that each test program starts itself.
  find_library(VF_XTST_LIBRARY Xtst)
  if(VF_XTST_LIBRARY)
    add_executable(test_window_display ${PROJECT_SOURCE_DIR}/tests/window/display/X11WindowDisplayTest.cpp)
    target_link_libraries(test_window_display PRIVATE vf_window ${VF_XTST_LIBRARY} X11 GTest::gtest GTest::gtest_main)
    gtest_discover_tests(test_window_display DISCOVERY_MODE PRE_TEST
      PROPERTIES LABELS threads RUN_SERIAL TRUE)
    add_dependencies(threads_tests test_window_display)
  endif()

  # Our own small LV2 host: loads the bundle with dlopen, opens the editor on a
  # private X server and drives it with XTest.  Exit code 77 = no editor in this build.
  find_path(VF_LV2_INCLUDE_DIR lv2/ui/ui.h)
  if(VF_XTST_LIBRARY AND VF_LV2_INCLUDE_DIR)
    add_executable(vf_editor_test_host ${PROJECT_SOURCE_DIR}/tests/integration/EditorTestHost.cpp)
    target_include_directories(vf_editor_test_host SYSTEM PRIVATE ${VF_LV2_INCLUDE_DIR})
    target_link_libraries(vf_editor_test_host PRIVATE ${VF_XTST_LIBRARY} X11 Threads::Threads ${CMAKE_DL_LIBS})
    set(vf_plugin_binary ${PROJECT_BINARY_DIR}/Velmorin-Free.lv2/Velmorin-Free.so)
    set(vf_with_xvfb bash ${PROJECT_SOURCE_DIR}/tests/integration/with_xvfb.sh)

    add_test(NAME integration.editor
      COMMAND ${vf_with_xvfb} $<TARGET_FILE:vf_editor_test_host> ${vf_plugin_binary} check)
    set_tests_properties(integration.editor PROPERTIES
      LABELS "integration;display" RUN_SERIAL TRUE SKIP_RETURN_CODE 77 TIMEOUT 300)

    # Meant for VF_SANITIZE=thread builds: an audio thread runs while editors come and go.
    add_test(NAME integration.editor_stress
      COMMAND ${vf_with_xvfb} $<TARGET_FILE:vf_editor_test_host> ${vf_plugin_binary} stress 10)
    set_tests_properties(integration.editor_stress PROPERTIES
      LABELS "integration;display;threads" RUN_SERIAL TRUE SKIP_RETURN_CODE 77 TIMEOUT 600)
    add_dependencies(threads_tests vf_editor_test_host velmorin_free)

    # A real host: jalv under a dummy JACK server, rapid gestures and restarts.
    add_test(NAME integration.jalv_smoke
      COMMAND bash ${PROJECT_SOURCE_DIR}/tests/integration/jalv_smoke.sh)
    set_tests_properties(integration.jalv_smoke PROPERTIES
      LABELS "integration;display;host" RUN_SERIAL TRUE SKIP_RETURN_CODE 77 TIMEOUT 1200
      ENVIRONMENT "LV2_PATH=${PROJECT_BINARY_DIR}")
  endif()
endif()

if(VF_BUILD_BENCHMARKS AND TARGET vf_editor_test_host)
  # Times to complete frames (cold and repeated openings, grip steps), idle CPU,
  # memory and the CPU host automation costs, on private X servers.
  add_custom_target(bench_window
    COMMAND bash ${PROJECT_SOURCE_DIR}/bench/window/editor_bench.sh
      $<TARGET_FILE:vf_editor_test_host> ${PROJECT_BINARY_DIR}/Velmorin-Free.lv2/Velmorin-Free.so
    DEPENDS vf_editor_test_host
    USES_TERMINAL VERBATIM)
  # Screenshots of the editor at all six sizes in jalv, saved in the build folder.
  add_custom_target(jalv_screenshots
    COMMAND ${CMAKE_COMMAND} -E env LV2_PATH=${PROJECT_BINARY_DIR} VF_BUILD_DIR=${PROJECT_BINARY_DIR}
      bash ${PROJECT_SOURCE_DIR}/tests/integration/jalv_screenshots.sh
    USES_TERMINAL VERBATIM)
endif()
