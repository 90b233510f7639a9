kz_test(end_to_end_tests end_to_end_tests.cpp LIBS application)
target_include_directories(end_to_end_tests PRIVATE ${CMAKE_SOURCE_DIR})
