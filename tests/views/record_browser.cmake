# The record browser's rows, change and erase, without widgets.
kz_test(record_browser_tests ${CMAKE_CURRENT_LIST_DIR}/record_browser_tests.cpp LIBS views_model)
