# The kernel tests' child process, started by CreateProcessW from the tests' own folder.
add_executable(kernel_child ${CMAKE_CURRENT_LIST_DIR}/kernel_child.cpp)
target_include_directories(kernel_child PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(kernel_child PRIVATE win32)
add_dependencies(win32_kernel_tests kernel_child)
