# Screenshots go through the reference host's capture; the PNG check reads the file with libpng.
find_package(PNG REQUIRED)
target_link_libraries(win32_gdi_tests PRIVATE keyholm_screen_capture PNG::PNG)
