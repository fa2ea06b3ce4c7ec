# The dialog and property-page tests' templates and strings, in the test program's own resources.
keyholm_add_resources(afx_tests ${CMAKE_CURRENT_LIST_DIR}/res/afx_dialogs.rc)
