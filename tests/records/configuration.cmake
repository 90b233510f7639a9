kz_test(configuration_tests ${CMAKE_CURRENT_LIST_DIR}/configuration_tests.cpp LIBS records_model)
