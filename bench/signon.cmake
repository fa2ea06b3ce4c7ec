# The sign-on benchmarks: the real plug-in and its animation, the host's services, a cpp-httplib
# server and a bare libcurl client for the floor.
pkg_check_modules(BENCH_LIBCURL REQUIRED IMPORTED_TARGET libcurl)
find_package(Threads REQUIRED)
target_sources(bench_signon PRIVATE ${CMAKE_SOURCE_DIR}/host/HostServices.cpp)
target_link_libraries(bench_signon PRIVATE PkgConfig::HOST_HTTPLIB PkgConfig::BENCH_LIBCURL Threads::Threads)
add_dependencies(bench_signon KeyholmPlugin wait_gif)
