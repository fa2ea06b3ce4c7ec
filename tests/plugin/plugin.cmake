# The plug-in's tests load the real library and a module built over a table of test plug-ins,
# and act as the host with the reference host's services.
target_sources(plugin_tests PRIVATE ${CMAKE_SOURCE_DIR}/host/HostServices.cpp)
add_dependencies(plugin_tests KeyholmPlugin TableTestModule)

add_library(TableTestModule SHARED
  ${CMAKE_CURRENT_LIST_DIR}/modules/TableTestModule.cpp
  ${CMAKE_SOURCE_DIR}/src/plugin/KeyholmPluginApp.cpp
  ${CMAKE_SOURCE_DIR}/src/lang/LanguageTable.cpp
  ${CMAKE_SOURCE_DIR}/src/lang/StringPool.cpp
  ${CMAKE_SOURCE_DIR}/src/lang/StringTableLoader.cpp
  ${CMAKE_SOURCE_DIR}/src/lang/StringTableParser.cpp)
file(GLOB log_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/log/*.cpp)
target_sources(TableTestModule PRIVATE ${log_sources})
set_target_properties(TableTestModule PROPERTIES PREFIX "" SUFFIX ".dll"
  CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
target_include_directories(TableTestModule PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(TableTestModule PRIVATE afxdll afx win32)
