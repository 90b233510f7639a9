kz_test(test_run_end ${CMAKE_CURRENT_SOURCE_DIR}/test_run_end.cpp LIBS records_model)
