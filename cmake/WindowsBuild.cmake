# The Windows build: KeyholmPlugin.dll as one module, with the class library, the image library,
# libpng, zlib and giflib compiled or linked in, so nothing has to sit beside it. Selected by the
# mingw-w64 toolchain files; libpng and giflib come from scripts/build-mingw-deps.sh.
enable_language(RC)

# Static libraries only: the import libraries of zlib would make the DLL depend on zlib1.dll.
function(keyholm_static_library var header name)
  find_path(${var}_INCLUDE_DIR ${header} REQUIRED)
  find_library(${var}_LIBRARY NAMES lib${name}.a REQUIRED)
  add_library(${var} STATIC IMPORTED GLOBAL)
  set_target_properties(${var} PROPERTIES
    IMPORTED_LOCATION ${${var}_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${${var}_INCLUDE_DIR})
endfunction()
keyholm_static_library(mingw_zlib zlib.h z)
keyholm_static_library(mingw_png png.h png)
keyholm_static_library(mingw_gif gif_lib.h gif)
set_target_properties(mingw_png PROPERTIES INTERFACE_LINK_LIBRARIES mingw_zlib)

file(GLOB_RECURSE library_sources CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/platform/afx/src/*.cpp
  ${CMAKE_SOURCE_DIR}/platform/afx/dllmodule/*.cpp
  ${CMAKE_SOURCE_DIR}/platform/cximage/src/*.cpp)

# The plug-in's sources and libraries, shared by the DLL and by test programs that link the
# class library themselves.
include(${CMAKE_SOURCE_DIR}/src/PluginObjects.cmake)
keyholm_plugin_objects(EXTRA ${library_sources})
target_include_directories(KeyholmPluginObjects PUBLIC
  ${CMAKE_SOURCE_DIR}/platform/afx/include ${CMAKE_SOURCE_DIR}/platform/cximage/include
  ${CMAKE_SOURCE_DIR}/platform/owner/include)
# One module: the class library and the image library export nothing of their own.
target_compile_definitions(KeyholmPluginObjects PUBLIC
  UNICODE _UNICODE AFX_STATIC_LIBRARY CXIMAGE_STATIC_LIBRARY)
target_link_libraries(KeyholmPluginObjects PUBLIC mingw_png mingw_gif
  ole32 oleaut32 uuid comctl32 msimg32 gdi32 user32 kernel32)

add_library(KeyholmPlugin SHARED $<TARGET_OBJECTS:KeyholmPluginObjects>
  ${CMAKE_SOURCE_DIR}/src/res/KeyholmPlugin.rc ${CMAKE_SOURCE_DIR}/src/exports.def)
set_target_properties(KeyholmPlugin PROPERTIES PREFIX "" SUFFIX ".dll" OUTPUT_NAME KeyholmPlugin)
target_link_libraries(KeyholmPlugin PRIVATE KeyholmPluginObjects)
# No import library and no automatic exports: the .def file names the one export.
target_link_options(KeyholmPlugin PRIVATE -Wl,--exclude-all-symbols -Wl,--no-insert-timestamp $<$<CONFIG:Release>:-s>)
set_source_files_properties(${CMAKE_SOURCE_DIR}/src/res/KeyholmPlugin.rc PROPERTIES
  OBJECT_DEPENDS "${CMAKE_SOURCE_DIR}/src/res/StringTable.xml;${CMAKE_SOURCE_DIR}/src/res/TabIcon_zh.png;${CMAKE_SOURCE_DIR}/src/res/TabIcon_en.png;${CMAKE_SOURCE_DIR}/src/res/KeyholmPlugin.ico")
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 65001 -I${CMAKE_SOURCE_DIR}/src/res")
