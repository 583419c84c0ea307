# Versions and installable packages.

# One version for the plug-in and its packages: the project's.
set_property(SOURCE ${PROJECT_SOURCE_DIR}/plugin/VelmorinFreeClient.cpp
  APPEND PROPERTY COMPILE_DEFINITIONS
  VF_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
  VF_VERSION_MINOR=${PROJECT_VERSION_MINOR}
  VF_VERSION_PATCH=${PROJECT_VERSION_PATCH})
