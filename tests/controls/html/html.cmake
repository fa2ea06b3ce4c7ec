# The HTML control tests: the control chain and the image controls compiled in, the real
# web-browser server, loopback servers on threads, and the generated please-wait animation.
if(TARGET controls_html_tests)
  find_package(Threads REQUIRED)
  pkg_check_modules(HTML_HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
  file(GLOB html_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/controls/html/*.cpp)
  file(GLOB image_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/controls/image/*.cpp)
  target_sources(controls_html_tests PRIVATE ${html_sources} ${image_sources})
  target_link_libraries(controls_html_tests PRIVATE cximage PkgConfig::HTML_HTTPLIB Threads::Threads)
  add_dependencies(controls_html_tests wait_gif)
endif()
