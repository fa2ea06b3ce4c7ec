# The trace log is linked into its tests directly: the plug-in exports nothing but its entry.
file(GLOB log_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/log/*.cpp)
add_executable(log_writer ${CMAKE_CURRENT_LIST_DIR}/log_writer.cpp ${log_sources})
target_include_directories(log_writer PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(log_writer PRIVATE win32)
target_sources(log_tests PRIVATE ${log_sources})
target_include_directories(log_tests PRIVATE ${CMAKE_SOURCE_DIR}/src)
add_dependencies(log_tests log_writer)

# The log benchmark is declared after this folder; add the log to it once the whole tree is read.
function(keyholm_link_log_into_bench)
  if(TARGET bench_log_append)
    file(GLOB sources ${CMAKE_SOURCE_DIR}/src/log/*.cpp)
    target_sources(bench_log_append PRIVATE ${sources})
    target_include_directories(bench_log_append PRIVATE ${CMAKE_SOURCE_DIR}/src)
  endif()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL keyholm_link_log_into_bench)
