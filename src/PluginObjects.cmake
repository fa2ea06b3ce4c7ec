# KeyholmPluginObjects, the plug-in's sources compiled once per build for the DLL and for the
# programs that link variants of it. Both builds describe the plug-in through this function: the
# Linux build (src/CMakeLists.txt) as it stands, the Windows build (cmake/WindowsBuild.cmake) with
# the class library's and the image library's sources as EXTRA, since it compiles them into the one
# module.
set(KEYHOLM_PLUGIN_DIR ${CMAKE_CURRENT_LIST_DIR})

function(keyholm_plugin_objects)
  cmake_parse_arguments(arg "" "" "EXTRA" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${KEYHOLM_PLUGIN_DIR}/*/*.cpp)
  add_library(KeyholmPluginObjects OBJECT ${sources} ${arg_EXTRA})
  target_include_directories(KeyholmPluginObjects PUBLIC ${KEYHOLM_PLUGIN_DIR})
endfunction()
