# The resize engine's tests: its sources compiled into the test program, with dialog templates
# in the program's own resources.
target_sources(layout_tests PRIVATE
  ${CMAKE_SOURCE_DIR}/src/layout/Resize.cpp
  ${CMAKE_SOURCE_DIR}/src/layout/ResizeItem.cpp
  ${CMAKE_SOURCE_DIR}/src/layout/ResizePropertyPage.cpp)
keyholm_add_resources(layout_tests ${CMAKE_CURRENT_LIST_DIR}/res/layout_dialogs.rc)
