# The host's test starts the built keyholm-host.
add_dependencies(host_tests keyholm-host)
