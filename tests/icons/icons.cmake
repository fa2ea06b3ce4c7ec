# The icon tests: the decoder compiled in, and resources of PNG and bitmap fixtures that a small
# generator writes before the resource compiler reads them.
find_package(ZLIB REQUIRED)
target_sources(icons_tests PRIVATE
  ${CMAKE_SOURCE_DIR}/src/icons/AlphaBitmap.cpp
  ${CMAKE_SOURCE_DIR}/src/icons/PngDecode.cpp)
target_link_libraries(icons_tests PRIVATE PkgConfig::LIBPNG ZLIB::ZLIB)
add_dependencies(icons_tests KeyholmPlugin)

add_executable(make_icon_fixtures ${CMAKE_CURRENT_LIST_DIR}/fixtures/make_icon_fixtures.cpp)
target_link_libraries(make_icon_fixtures PRIVATE ZLIB::ZLIB)
set_target_properties(make_icon_fixtures PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)

set(icon_fixture_dir ${CMAKE_CURRENT_BINARY_DIR}/icon_fixtures)
set(icon_fixture_files rgba.png rgb.png truncated.png corrupt.png tiny.png fakesig.png notpng.bin
    bgr24.bmp bgra32.bmp pal8.bmp short32.bmp bitfields44.bmp bitfields52.bmp)
list(TRANSFORM icon_fixture_files PREPEND ${icon_fixture_dir}/ OUTPUT_VARIABLE icon_fixture_paths)
file(MAKE_DIRECTORY ${icon_fixture_dir})
add_custom_command(OUTPUT ${icon_fixture_paths}
  COMMAND make_icon_fixtures ${icon_fixture_dir}
  DEPENDS make_icon_fixtures
  COMMENT "Writing the icon test fixtures"
  VERBATIM)
file(CONFIGURE OUTPUT ${icon_fixture_dir}/icon_fixtures.rc CONTENT [[
LANGUAGE 4, 2
100 PNG "rgba.png"
101 PNG "truncated.png"
102 PNG "corrupt.png"
103 PNG "notpng.bin"
103 BITMAP "bgr24.bmp"
104 BITMAP "bgra32.bmp"
105 BITMAP "pal8.bmp"
106 BITMAP "short32.bmp"
111 BITMAP "bitfields44.bmp"
112 BITMAP "bitfields52.bmp"
107 PNG "tiny.png"
108 PNG "rgb.png"
109 PNG "fakesig.png"
110 PNG "notpng.bin"
KEY PNG "rgba.png"
]])
keyholm_add_resources(icons_tests ${icon_fixture_dir}/icon_fixtures.rc)
# The compiled table must wait for the generated files it embeds.
add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/icons_tests_icon_fixtures.res APPEND
  DEPENDS ${icon_fixture_paths})
