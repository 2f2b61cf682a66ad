# vantrel_layer(NAME DIRS dir... [LINKS target...] [EXCLUDE file...])
#
# One layer of the library as an object library, vantrel_NAME, made of the sources directly in
# each of src/DIRS (as VANTREL_SOURCES holds them, codecs already sorted out). A layer sees the
# headers of its own folder and of the layers it links, and no others: each layer reaches its
# headers through a folder of its own in the build tree, which links to its source folder
# alone, so an include that runs upward does not compile.
function(vantrel_layer name)
  cmake_parse_arguments(PARSE_ARGV 1 LAYER "" "" "DIRS;LINKS;EXCLUDE")
  set(sources "")
  foreach(dir IN LISTS LAYER_DIRS)
    set(in_dir ${VANTREL_SOURCES})
    list(FILTER in_dir INCLUDE REGEX "^${PROJECT_SOURCE_DIR}/src/${dir}/[^/]+\\.cpp$")
    list(APPEND sources ${in_dir})
  endforeach()
  foreach(file IN LISTS LAYER_EXCLUDE)
    list(REMOVE_ITEM sources ${PROJECT_SOURCE_DIR}/src/${file})
  endforeach()
  add_library(vantrel_${name} OBJECT ${sources})

  # The include root: every top folder this layer's DIRS name, and nothing else of src/.
  set(root ${CMAKE_BINARY_DIR}/layers/${name})
  foreach(dir IN LISTS LAYER_DIRS)
    string(REGEX REPLACE "/.*" "" top ${dir})
    if(NOT EXISTS ${root}/${top})
      file(MAKE_DIRECTORY ${root})
      file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${top} ${root}/${top} SYMBOLIC)
    endif()
  endforeach()
  target_include_directories(vantrel_${name} PUBLIC ${root})
  target_link_libraries(vantrel_${name} PUBLIC ${LAYER_LINKS})
endfunction()
