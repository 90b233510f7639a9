# The criteria editor's grid and distribution, without widgets.
kz_test(criteria_editor_tests ${CMAKE_CURRENT_LIST_DIR}/criteria_editor_tests.cpp LIBS records_model)
