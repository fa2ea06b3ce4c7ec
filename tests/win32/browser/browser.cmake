# The web-browser control's tests run loopback HTTP servers (Debian's cpp-httplib) on threads.
if(TARGET win32_browser_tests)
  find_package(Threads REQUIRED)
  pkg_check_modules(HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
  target_link_libraries(win32_browser_tests PRIVATE PkgConfig::HTTPLIB Threads::Threads)
endif()
