# Versions and installable packages: `cpack` in the build folder writes a Debian
# package (the bundle in the system's LV2 folder) and a .tar.gz of the bundle alone,
# to unpack into ~/.lv2.

# One version for the plug-in and its packages: the project's.
set_property(SOURCE ${PROJECT_SOURCE_DIR}/plugin/VelmorinFreeClient.cpp
  APPEND PROPERTY COMPILE_DEFINITIONS
  VF_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
  VF_VERSION_MINOR=${PROJECT_VERSION_MINOR}
  VF_VERSION_PATCH=${PROJECT_VERSION_PATCH})

# Vendor, contact and homepage as the plug-in reports them to hosts, read from its source.
set(vf_client_source ${PROJECT_SOURCE_DIR}/plugin/VelmorinFreeClient.cpp)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${vf_client_source})
file(READ ${vf_client_source} vf_client_text)
foreach(field vendorName vendorSupportEmail pluginName pluginHomepage)
  if(NOT vf_client_text MATCHES "info\\.${field} = \"([^\"]+)\";")
    message(FATAL_ERROR "${vf_client_source}: no literal info.${field} for the packages")
  endif()
  set(vf_${field} "${CMAKE_MATCH_1}")
endforeach()
string(TOLOWER ${vf_pluginName} vf_package_name)

# Each package has its own install rules (components left out of a plain
# `cmake --install`), so neither follows VF_LV2_INSTALL_DIR or the install prefix;
# the Debian generator installs below /usr.
vf_install_bundle(lib/lv2/${VF_BUNDLE_NAME} COMPONENT deb EXCLUDE_FROM_ALL)
vf_install_bundle(${VF_BUNDLE_NAME} COMPONENT archive EXCLUDE_FROM_ALL)

# Debian wants the copyright and a changelog (compressed, no time stamp) beside every package.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog)
find_program(VF_GZIP gzip REQUIRED)
file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/packaging)
execute_process(COMMAND ${VF_GZIP} -9 -n -c ${PROJECT_SOURCE_DIR}/packaging/changelog
  OUTPUT_FILE ${PROJECT_BINARY_DIR}/packaging/changelog.gz COMMAND_ERROR_IS_FATAL ANY)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${PROJECT_BINARY_DIR}/packaging/changelog.gz
  DESTINATION share/doc/${vf_package_name} COMPONENT deb EXCLUDE_FROM_ALL)

set(CPACK_GENERATOR DEB TGZ)
set(CPACK_PACKAGE_NAME ${vf_package_name})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${vf_vendorName} <${vf_vendorSupportEmail}>")
set(CPACK_PACKAGE_HOMEPAGE_URL ${vf_pluginHomepage})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tube saturator LV2 plug-in for mono and stereo tracks")
# Debian shows the description as written: lines of at most 80 characters.
set(CPACK_PACKAGE_DESCRIPTION "${vf_pluginName} by ${vf_vendorName} saturates a mono or stereo signal the way a
vacuum-tube stage does. Its whole signal path runs at four times the host rate:
an input soft limiter, fixed shelving and low-pass filters, a two-band tube
waveshaper and an output gain. It comes with a small resizable editor for hosts
on X11.")
set(CPACK_PACKAGE_FILE_NAME ${vf_package_name}-${PROJECT_VERSION}-linux-${CMAKE_SYSTEM_PROCESSOR})
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

# Each generator packs only its own component.
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/packaging/CPackGenerators.cmake)
file(WRITE ${CPACK_PROJECT_CONFIG_FILE} [[
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_COMPONENTS_ALL deb)
else()
  set(CPACK_COMPONENTS_ALL archive)
endif()
]])
include(CPack)

if(VF_BUILD_TESTS)
  # Runs cpack on this build folder (which builds it first) and the host checks on both packages.
  add_test(NAME package.install COMMAND bash ${PROJECT_SOURCE_DIR}/tests/package/package_install.sh)
  set_tests_properties(package.install PROPERTIES
    LABELS "host"
    RUN_SERIAL TRUE
    ENVIRONMENT "VF_BUILD_DIR=${PROJECT_BINARY_DIR};VF_VERSION=${PROJECT_VERSION}")
endif()
