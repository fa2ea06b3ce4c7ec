# The layer's conformance tests built for Windows: the *_test.cpp sources of each folder under
# tests/win32, compiled against the real Windows headers and linked with the system libraries, one
# program per folder. Under the mingw-w64 toolchain ctest runs them through the emulator (wine64).
# What is left out of the Windows programs is listed below with its reason.

# GoogleTest and GoogleMock with main(), compiled from the system's sources for this toolchain.
if(NOT TARGET keyholm_gtest_main)
  set(keyholm_gtest_src /usr/src/googletest)
  add_library(keyholm_gtest_main STATIC
    ${keyholm_gtest_src}/googletest/src/gtest-all.cc
    ${keyholm_gtest_src}/googlemock/src/gmock-all.cc
    ${keyholm_gtest_src}/googletest/src/gtest_main.cc)
  target_include_directories(keyholm_gtest_main SYSTEM PUBLIC
    ${keyholm_gtest_src}/googletest/include ${keyholm_gtest_src}/googlemock/include)
  target_include_directories(keyholm_gtest_main PRIVATE
    ${keyholm_gtest_src}/googletest ${keyholm_gtest_src}/googlemock)
  find_package(Threads REQUIRED)
  target_link_libraries(keyholm_gtest_main PUBLIC Threads::Threads)
endif()

enable_language(RC)
set(keyholm_win32_tests ${CMAKE_CURRENT_LIST_DIR})
set(keyholm_win32_system_libs user32 gdi32 msimg32 ole32 oleaut32 uuid)

# win32_<folder>_tests from tests/win32/<folder>/*_test.cpp (or SOURCE_DIR/*_test.cpp), less EXCLUDE;
# FILTER is the negative GoogleTest filter of cases that hold only for the layer; RESOURCES are
# resource scripts.
function(keyholm_windows_tests folder)
  cmake_parse_arguments(arg "" "FILTER;SOURCE_DIR" "EXCLUDE;RESOURCES" ${ARGN})
  set(dir ${keyholm_win32_tests}/${folder})
  if(arg_SOURCE_DIR)
    set(dir ${arg_SOURCE_DIR})
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*_test.cpp)
  foreach(excluded ${arg_EXCLUDE})
    list(REMOVE_ITEM sources ${dir}/${excluded})
  endforeach()
  set(target win32_${folder}_tests)
  add_executable(${target} ${sources} ${arg_RESOURCES})
  target_compile_definitions(${target} PRIVATE UNICODE _UNICODE)
  # The scripts are UTF-8, as the resource compiler of the Linux build reads them.
  set_source_files_properties(${arg_RESOURCES} PROPERTIES COMPILE_OPTIONS "--codepage=65001")
  target_include_directories(${target} PRIVATE ${keyholm_win32_tests}/.. ${keyholm_win32_tests}/../../platform/owner/include)
  target_link_libraries(${target} PRIVATE keyholm_gtest_main ${keyholm_win32_system_libs})
  set(filter)
  if(arg_FILTER)
    set(filter --gtest_filter=-${arg_FILTER})
  endif()
  add_test(NAME ${target} COMMAND ${target} ${filter} WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>)
  # A fault ends the program at once rather than waiting in Wine's debugger until the time-out.
  set_tests_properties(${target} PROPERTIES TIMEOUT 600
    ENVIRONMENT "WINEDLLOVERRIDES=mscoree,mshtml=\\;winedbg.exe=d")
endfunction()

keyholm_windows_tests(gdi
  # Goes through the reference host's screen capture and libpng, which are Linux-build code.
  EXCLUDE screen_test.cpp)
keyholm_windows_tests(ole
  # Which Linux modules are mapped, and when, is the layer's own concern.
  EXCLUDE server_module_test.cpp)
# The owner template is not the layer's, but its test holds for Windows as well.
keyholm_windows_tests(owner SOURCE_DIR ${keyholm_win32_tests}/../owner)
keyholm_windows_tests(user RESOURCES ${keyholm_win32_tests}/user/res/dialogs.rc)
keyholm_windows_tests(xmldom)
keyholm_windows_tests(kernel
  # The locale following LANG and LC_ALL is the layer's own mapping; Windows takes it from the user.
  EXCLUDE locale_environment_test.cpp
  # Registers resource tables through the layer's own loader, as the damaged-table case below does.
          resource_fuzz_test.cpp
  # Checks the layer's tables against the Linux converter they are filled from.
          codepage_tables_test.cpp
  # Damaged resource tables can only be registered through the layer's loader.
  FILTER ResourceTables.DamagedTablesKeepOnlyTheEntriesBeforeTheDamage
  RESOURCES ${keyholm_win32_tests}/kernel/modules/program.rc)

# The kernel tests' child process and the loader tests' modules, built beside the program. The
# loader's damaged-table module registers tables through the layer's own loader and has no
# Windows form; the cases that load it are filtered out above.
add_executable(kernel_child ${keyholm_win32_tests}/kernel/kernel_child.cpp)
target_compile_definitions(kernel_child PRIVATE UNICODE _UNICODE)
target_include_directories(kernel_child PRIVATE ${keyholm_win32_tests}/..)
add_dependencies(win32_kernel_tests kernel_child)
foreach(module probe refuse plain)
  add_library(loader_${module} SHARED ${keyholm_win32_tests}/kernel/modules/${module}.cpp)
  set_target_properties(loader_${module} PROPERTIES PREFIX "")
  target_compile_definitions(loader_${module} PRIVATE UNICODE _UNICODE)
  add_dependencies(win32_kernel_tests loader_${module})
endforeach()
# The modules and the program export WINAPI functions that the tests find by their plain names; on
# i686 __stdcall decorates an export as name@bytes, so the linker drops the decoration.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  foreach(target win32_kernel_tests loader_probe loader_refuse loader_plain)
    target_link_options(${target} PRIVATE -Wl,--kill-at)
  endforeach()
endif()
target_sources(loader_probe PRIVATE ${keyholm_win32_tests}/kernel/modules/probe.rc)
set_source_files_properties(${keyholm_win32_tests}/kernel/modules/probe.rc PROPERTIES COMPILE_OPTIONS "--codepage=65001")
