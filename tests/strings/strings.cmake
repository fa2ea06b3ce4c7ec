# The plug-in's login strings filled from outside the class library: login_probe, a host of Win32
# alone with an independent filler, runs from a fresh folder per case against a recording server.
add_executable(login_probe ${CMAKE_CURRENT_LIST_DIR}/probe/login_probe.cpp)
target_include_directories(login_probe PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(login_probe PRIVATE afx win32)
add_dependencies(login_probe KeyholmPlugin wait_gif)
add_dependencies(strings_tests login_probe)
target_compile_definitions(strings_tests PRIVATE KEYHOLM_LOOPBACK_SCRIPT="${CMAKE_CURRENT_LIST_DIR}/loopback_server.py")
