# Embedded artwork and font.  The images are painted at build time by a small tool
# kept in tools/artwork; the font comes from the build machine's DejaVu package.
# Both are turned into byte arrays and compiled into vf_resources, so the plug-in
# reads nothing from disk at run time and nothing generated is ever committed.

find_file(VF_EMBEDDED_FONT DejaVuSans-Bold.ttf
  PATHS /usr/share/fonts/truetype/dejavu /usr/share/fonts/dejavu /usr/share/fonts/TTF
  NO_DEFAULT_PATH REQUIRED)
find_program(VF_XXD xxd REQUIRED)

add_executable(vf_artwork ${PROJECT_SOURCE_DIR}/tools/artwork/ArtworkGenerator.cpp)
target_include_directories(vf_artwork SYSTEM PRIVATE ${STB_INCLUDE_DIR})
target_link_libraries(vf_artwork PRIVATE m)

set(VF_RESOURCE_DIR ${PROJECT_BINARY_DIR}/generated/resources)
set(VF_ARTWORK_IMAGES velmorin-free.png knob-bottom.png knob-top.png switch-on.png switch-off.png)
set(artwork_outputs)
foreach(image ${VF_ARTWORK_IMAGES})
  list(APPEND artwork_outputs ${VF_RESOURCE_DIR}/${image})
endforeach()

add_custom_command(
  OUTPUT ${artwork_outputs}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VF_RESOURCE_DIR}
  COMMAND vf_artwork ${VF_EMBEDDED_FONT} ${VF_RESOURCE_DIR}
  DEPENDS vf_artwork ${VF_EMBEDDED_FONT}
  COMMENT "Painting the editor artwork"
  VERBATIM)

# One include file of comma-separated bytes per resource (xxd reading stdin writes
# no declarations, so the array names and linkage stay ours).
set(resource_includes)
foreach(input ${artwork_outputs} ${VF_EMBEDDED_FONT})
  get_filename_component(file_name ${input} NAME)
  set(include_file ${VF_RESOURCE_DIR}/${file_name}.inc)
  add_custom_command(
    OUTPUT ${include_file}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VF_RESOURCE_DIR}
    COMMAND sh -c "'${VF_XXD}' -i < '${input}' > '${include_file}'"
    DEPENDS ${input}
    VERBATIM)
  list(APPEND resource_includes ${include_file})
endforeach()

add_library(vf_resources STATIC ${PROJECT_SOURCE_DIR}/resources/EmbeddedResources.cpp ${resource_includes})
target_include_directories(vf_resources PUBLIC ${PROJECT_SOURCE_DIR} PRIVATE ${VF_RESOURCE_DIR})
set_source_files_properties(${PROJECT_SOURCE_DIR}/resources/EmbeddedResources.cpp
  PROPERTIES OBJECT_DEPENDS "${resource_includes}")
target_link_libraries(vf_editor PUBLIC vf_resources)
