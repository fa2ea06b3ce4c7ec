# The image control tests: the control and its buffer compiled in over the image library, GIFs
# written with giflib, and a probe that runs the please-wait control from a folder of its own.
file(GLOB image_ctrl_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/controls/image/*.cpp)
set(image_ctrl_module_dir ${CMAKE_SOURCE_DIR}/src/plugin/ModuleDir.cpp)   # InitLoadingImage's folder
target_sources(controls_image_tests PRIVATE ${image_ctrl_sources} ${image_ctrl_module_dir})
target_include_directories(controls_image_tests PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(controls_image_tests PRIVATE cximage GIF::GIF keyholm_screen_capture)

add_executable(loading_probe ${CMAKE_CURRENT_LIST_DIR}/probe/loading_probe.cpp ${image_ctrl_sources}
  ${image_ctrl_module_dir})
target_include_directories(loading_probe PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(loading_probe PRIVATE afx win32 cximage keyholm_screen_capture)
add_dependencies(controls_image_tests loading_probe wait_gif)

# The HTML control's tests compile these sources in too; they need the host folder as well.
if(TARGET controls_html_tests)
  get_target_property(html_sources controls_html_tests SOURCES)
  list(FIND html_sources ${image_ctrl_module_dir} html_has_module_dir)
  if(html_has_module_dir EQUAL -1)
    target_sources(controls_html_tests PRIVATE ${image_ctrl_module_dir})
  endif()
endif()
