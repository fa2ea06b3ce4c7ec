# The permission view end to end: view_probe, a small host built from the reference host's pieces,
# runs from a fresh folder per case with the real plug-in and its own permission server.
add_executable(view_probe ${CMAKE_CURRENT_LIST_DIR}/probe/view_probe.cpp
  ${CMAKE_SOURCE_DIR}/host/HostServices.cpp
  ${CMAKE_SOURCE_DIR}/src/icons/AlphaBitmap.cpp ${CMAKE_SOURCE_DIR}/src/icons/PngDecode.cpp)
target_include_directories(view_probe PRIVATE ${CMAKE_SOURCE_DIR}/host ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(view_probe PRIVATE afx win32 keyholm_screen_capture keyholm_permission_server PkgConfig::HOST_HTTPLIB PkgConfig::HOST_LIBPNG Threads::Threads)
add_dependencies(view_probe KeyholmPlugin wait_gif)
add_dependencies(view_tests view_probe)
# The window search that Shutdown uses, asked directly for windows of other process ids.
target_sources(view_tests PRIVATE ${CMAKE_SOURCE_DIR}/src/view/ProcessWindow.cpp)
