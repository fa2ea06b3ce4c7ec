# The class-library tests load small regular libraries built over the start-up library: one that
# starts, one whose InitInstance refuses and one whose InitInstance throws. The test program
# exports AfxTestRecord for them to report to.
set(afx_test_module_source ${CMAKE_CURRENT_LIST_DIR}/modules/afx_test_module.cpp)
set_target_properties(afx_tests PROPERTIES ENABLE_EXPORTS ON)

function(afx_test_module name init_mode)
  add_library(${name} SHARED ${afx_test_module_source})
  set_target_properties(${name} PROPERTIES PREFIX "" SUFFIX ".dll"
    CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  target_compile_definitions(${name} PRIVATE AFX_TEST_INIT_MODE=${init_mode})
  target_link_libraries(${name} PRIVATE afxdll afx win32)
  target_link_options(${name} PRIVATE -Wl,--no-undefined)
  add_dependencies(afx_tests ${name})
endfunction()

afx_test_module(AfxTestModule 1)
afx_test_module(AfxTestRefuse 0)
afx_test_module(AfxTestThrow 2)
