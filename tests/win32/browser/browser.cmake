# The web-browser control's tests run loopback HTTP servers (Debian's cpp-httplib) on threads. The
# page model is compiled in, so its tests reach it whatever the layer's library exports.
if(TARGET win32_browser_tests)
  find_package(Threads REQUIRED)
  pkg_check_modules(HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
  target_sources(win32_browser_tests PRIVATE ${CMAKE_SOURCE_DIR}/platform/win32/browser/html.cpp
    ${CMAKE_SOURCE_DIR}/platform/win32/browser/charset.cpp ${CMAKE_SOURCE_DIR}/platform/win32/browser/url.cpp)
  target_include_directories(win32_browser_tests PRIVATE ${CMAKE_SOURCE_DIR}/platform/win32)
  target_link_libraries(win32_browser_tests PRIVATE PkgConfig::HTTPLIB PkgConfig::LIBXML2 Threads::Threads)
endif()
