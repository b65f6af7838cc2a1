# Makes the program's bitmaps, icon and cursor from the text pixel maps in
# images/. Include it from the directory that compiles the resource script:
#   SCRIBLET_IMAGE_DIR    the folder the images are written to (for windres -I)
#   SCRIBLET_IMAGE_FILES  every image made, for OBJECT_DEPENDS
#   scriblet_images       a target that makes them, for targets in other directories
find_package(Python3 COMPONENTS Interpreter REQUIRED)

set(SCRIBLET_IMAGE_DIR ${CMAKE_CURRENT_BINARY_DIR}/images)
set(_scriblet_images_src ${CMAKE_CURRENT_LIST_DIR}/images)

# The manifest names every output and its map; reading it here keeps the
# output list in one place.
file(STRINGS ${_scriblet_images_src}/images.txt _scriblet_images_lines)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_scriblet_images_src}/images.txt)
set(SCRIBLET_IMAGE_FILES)
set(_scriblet_images_maps)
foreach(_line IN LISTS _scriblet_images_lines)
  string(REGEX REPLACE "#.*" "" _line "${_line}")
  string(STRIP "${_line}" _line)
  if(_line STREQUAL "")
    continue()
  endif()
  string(REGEX REPLACE "[ \t]+" ";" _fields "${_line}")
  list(GET _fields 0 _output)
  list(GET _fields 1 _map)
  list(APPEND SCRIBLET_IMAGE_FILES ${SCRIBLET_IMAGE_DIR}/${_output})
  list(APPEND _scriblet_images_maps ${_scriblet_images_src}/${_map})
endforeach()
list(REMOVE_DUPLICATES _scriblet_images_maps)

add_custom_command(
  OUTPUT ${SCRIBLET_IMAGE_FILES}
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/make_images.py ${SCRIBLET_IMAGE_DIR}
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/make_images.py ${CMAKE_CURRENT_LIST_DIR}/palette.h
          ${_scriblet_images_src}/images.txt ${_scriblet_images_maps}
  COMMENT "Making the bitmaps, icon and cursor from their pixel maps"
  VERBATIM)
add_custom_target(scriblet_images DEPENDS ${SCRIBLET_IMAGE_FILES})
