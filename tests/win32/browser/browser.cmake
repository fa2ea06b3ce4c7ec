# The web-browser control's tests run loopback HTTP servers (Debian's cpp-httplib) on threads. The
# page reader's objects are linked in, so its tests reach it whatever the layer's library exports.
if(TARGET win32_browser_tests)
  find_package(Threads REQUIRED)
  pkg_check_modules(HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
  target_link_libraries(win32_browser_tests PRIVATE win32_page_reader PkgConfig::HTTPLIB Threads::Threads)
endif()
