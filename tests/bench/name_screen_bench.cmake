kz_test(name_screen_bench ${CMAKE_CURRENT_SOURCE_DIR}/name_screen_bench.cpp LIBS selection_ui)
target_include_directories(name_screen_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests)
set_tests_properties(name_screen_bench PROPERTIES LABELS bench)
