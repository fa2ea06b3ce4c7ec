# The drawing engine's glyph rasteriser (FreeType) and the screenshot helper's PNG writer (libpng).
find_package(Freetype)
if(FREETYPE_FOUND)
  # The layer draws text with FreeType; without it, text measures in fixed cells and draws nothing.
  target_link_libraries(win32 PRIVATE Freetype::Freetype)
  set_property(SOURCE ${CMAKE_SOURCE_DIR}/platform/win32/gdi/text.cpp DIRECTORY ${CMAKE_SOURCE_DIR}/platform/win32
    APPEND PROPERTY COMPILE_DEFINITIONS KEYHOLM_GDI_FREETYPE)
endif()

find_package(PNG REQUIRED)
add_library(keyholm_screenshot INTERFACE)
target_include_directories(keyholm_screenshot INTERFACE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(keyholm_screenshot INTERFACE PNG::PNG win32)
target_link_libraries(win32_gdi_tests PRIVATE keyholm_screenshot)
