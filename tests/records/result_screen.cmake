kz_test(test_result_screen ${CMAKE_CURRENT_SOURCE_DIR}/test_result_screen.cpp LIBS records_ui)
