# The dialog tests' templates, compiled into the user test program's own resources.
keyholm_add_resources(win32_user_tests ${CMAKE_CURRENT_LIST_DIR}/res/dialogs.rc)
