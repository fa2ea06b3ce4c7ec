# The image library's tests write their GIFs with giflib and read the build's please-wait animation.
target_link_libraries(cximage_tests PRIVATE cximage GIF::GIF)
add_dependencies(cximage_tests wait_gif)
