# The host's test starts the built keyholm-host, and serves sign-on pages of its own for it to relay to.
add_dependencies(host_tests keyholm-host)
target_link_libraries(host_tests PRIVATE PkgConfig::HOST_HTTPLIB Threads::Threads)
