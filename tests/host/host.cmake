# The host's test starts the built keyholm-host, and serves sign-on pages of its own for it to relay to;
# the permission server, its relay and the sign-on verdict are also tested in process.
add_dependencies(host_tests keyholm-host)
target_sources(host_tests PRIVATE ${CMAKE_SOURCE_DIR}/host/SignOnVerdict.cpp)
target_link_libraries(host_tests PRIVATE keyholm_permission_server)
