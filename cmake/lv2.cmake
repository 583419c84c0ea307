# The LV2 bundle: the plug-in's shared library, its generated manifest, installation,
# and the tests that look at the library from the outside.

# Relative paths are taken below the install prefix; an absolute one (e.g. ~/.lv2) is used as is.
set(VF_LV2_INSTALL_DIR "lib/lv2" CACHE STRING "Folder that receives the LV2 bundle")
set(VF_BUNDLE_NAME Velmorin-Free.lv2)
set(VF_BUNDLE_DIR ${PROJECT_BINARY_DIR}/${VF_BUNDLE_NAME})
set(VF_BINARY_NAME Velmorin-Free.so)

add_library(velmorin_free SHARED ${PROJECT_SOURCE_DIR}/cmake/empty.cpp)
set_target_properties(velmorin_free PROPERTIES
  OUTPUT_NAME Velmorin-Free
  PREFIX ""
  LIBRARY_OUTPUT_DIRECTORY ${VF_BUNDLE_DIR}
  LINK_DEPENDS ${PROJECT_SOURCE_DIR}/cmake/exports.map)
# The entry points live in static libraries: -u pulls them in; the version script
# then keeps exactly them visible.
target_link_libraries(velmorin_free PRIVATE vf_lv2)
# clang's sanitizer and fuzzer runtimes live in the executable that loads the library,
# so only there may the library leave symbols undefined.
if(NOT (VF_SANITIZE OR VF_FUZZ) OR NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  target_link_options(velmorin_free PRIVATE -Wl,--no-undefined)
endif()
target_link_options(velmorin_free PRIVATE
  -Wl,--version-script=${PROJECT_SOURCE_DIR}/cmake/exports.map
  -Wl,-u,lv2_descriptor -Wl,-u,lv2ui_descriptor -Wl,-u,GenerateManifestFromClient)

add_executable(vf_generate_manifest ${PROJECT_SOURCE_DIR}/tools/GenerateManifest.cpp)
target_link_libraries(vf_generate_manifest PRIVATE ${CMAKE_DL_LIBS})

add_custom_command(TARGET velmorin_free POST_BUILD
  COMMAND vf_generate_manifest $<TARGET_FILE:velmorin_free> ${VF_BINARY_NAME} ${VF_BUNDLE_DIR}/manifest.ttl
  COMMENT "Writing ${VF_BUNDLE_NAME}/manifest.ttl"
  VERBATIM)
add_dependencies(velmorin_free vf_generate_manifest)

# Installs the bundle as the folder <destination>; further arguments (a component)
# go to both rules.  The library goes through a target rule: only those are stripped
# by `cmake --install --strip`.
function(vf_install_bundle destination)
  install(TARGETS velmorin_free LIBRARY DESTINATION ${destination} ${ARGN})
  install(FILES ${VF_BUNDLE_DIR}/manifest.ttl DESTINATION ${destination} ${ARGN})
endfunction()
vf_install_bundle(${VF_LV2_INSTALL_DIR}/${VF_BUNDLE_NAME})

# Each public header of the client core and the adapter compiles on its own.
file(GLOB own_headers RELATIVE ${PROJECT_SOURCE_DIR} CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/client/*.hpp ${PROJECT_SOURCE_DIR}/lv2/*.hpp)
list(APPEND own_headers plugin/VelmorinFreeClient.hpp)
set(client_header_checks)
foreach(header ${own_headers})
  string(REPLACE "/" "_" check_name ${header})
  set(check ${PROJECT_BINARY_DIR}/header_checks/foundation/${check_name}.cpp)
  file(WRITE ${check}.in "#include \"${header}\"\n")
  configure_file(${check}.in ${check} COPYONLY)
  list(APPEND client_header_checks ${check})
endforeach()
add_library(check_foundation_headers OBJECT ${client_header_checks})
target_link_libraries(check_foundation_headers PRIVATE vf_lv2)

if(VF_BUILD_TESTS)
  # Loads the built library twice in one process, through dlopen only.
  add_executable(test_lv2_library ${PROJECT_SOURCE_DIR}/tests/lv2/library/LibraryReloadTest.cpp)
  target_link_libraries(test_lv2_library PRIVATE GTest::gtest GTest::gtest_main ${CMAKE_DL_LIBS})
  target_include_directories(test_lv2_library PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(test_lv2_library PRIVATE VF_PLUGIN_LIBRARY="$<TARGET_FILE:velmorin_free>")
  add_dependencies(test_lv2_library velmorin_free)
  gtest_discover_tests(test_lv2_library DISCOVERY_MODE PRE_TEST PROPERTIES LABELS "unit;library")

  # Counts allocations and mutex locks around run(): global new/delete replaced,
  # pthread_mutex_lock wrapped at link time.
  add_executable(test_lv2_realtime ${PROJECT_SOURCE_DIR}/tests/lv2/realtime/RealtimeRunTest.cpp)
  target_link_libraries(test_lv2_realtime PRIVATE vf_lv2 GTest::gtest GTest::gtest_main)
  target_link_options(test_lv2_realtime PRIVATE -Wl,--wrap=pthread_mutex_lock)
  gtest_discover_tests(test_lv2_realtime DISCOVERY_MODE PRE_TEST PROPERTIES LABELS "unit;realtime")

  add_test(NAME lv2.exports
    COMMAND sh ${PROJECT_SOURCE_DIR}/tests/lv2/check_exports.sh $<TARGET_FILE:velmorin_free>)
  set_tests_properties(lv2.exports PROPERTIES LABELS "unit;library")

  # Listener lists changed while the audio thread notifies, and the editor's host calls
  # queued while the host's thread takes them: run under TSan with ctest -L threads.
  foreach(suite test_client test_lv2)
    if(TARGET ${suite})
      gtest_discover_tests(${suite} TEST_FILTER "*Concurrent*" TEST_PREFIX "threads."
        DISCOVERY_MODE PRE_TEST PROPERTIES LABELS threads)
      add_dependencies(threads_tests ${suite})
    endif()
  endforeach()

  # Host-level tests: real LV2 tools against the bundle in the build folder.
  file(GLOB host_tests CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/host/lv2_*.sh)
  foreach(script ${host_tests})
    get_filename_component(name ${script} NAME_WE)
    add_test(NAME host.${name} COMMAND bash ${script})
    set_tests_properties(host.${name} PROPERTIES
      LABELS "host"
      RUN_SERIAL TRUE
      ENVIRONMENT "LV2_PATH=${PROJECT_BINARY_DIR};VF_BUNDLE_DIR=${VF_BUNDLE_DIR};VF_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
  endforeach()
endif()
