kz_test(test_statistics ${CMAKE_CURRENT_SOURCE_DIR}/test_statistics.cpp LIBS records_model)
kz_test(test_availability ${CMAKE_CURRENT_SOURCE_DIR}/test_availability.cpp LIBS records_model)
