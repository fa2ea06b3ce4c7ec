# Test modules of the loader and resource tests in win32_kernel_tests, built beside the program,
# and the program's own resources and exported event recorder.
set(loader_modules ${CMAKE_CURRENT_LIST_DIR}/modules)

function(loader_test_module name)
  add_library(${name} SHARED ${ARGN})
  set_target_properties(${name} PROPERTIES PREFIX "" SUFFIX ".dll"
    CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  target_link_libraries(${name} PRIVATE win32)
  target_link_options(${name} PRIVATE -Wl,--no-undefined)
  add_dependencies(win32_kernel_tests ${name})
endfunction()

loader_test_module(loader_probe ${loader_modules}/probe.cpp ${loader_modules}/entry.cpp)
keyholm_add_resources(loader_probe ${loader_modules}/probe.rc)
loader_test_module(loader_refuse ${loader_modules}/refuse.cpp ${loader_modules}/entry.cpp)
loader_test_module(loader_plain ${loader_modules}/plain.cpp)
loader_test_module(loader_broken ${loader_modules}/broken.cpp)

keyholm_add_resources(win32_kernel_tests ${loader_modules}/program.rc)
target_link_options(win32_kernel_tests PRIVATE -Wl,--export-dynamic-symbol=LoaderTestEvent)
