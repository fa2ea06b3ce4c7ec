# The screenshot helper's PNG writer (libpng).
find_package(PNG REQUIRED)
add_library(keyholm_screenshot INTERFACE)
target_include_directories(keyholm_screenshot INTERFACE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(keyholm_screenshot INTERFACE PNG::PNG win32)
target_link_libraries(win32_gdi_tests PRIVATE keyholm_screenshot)
