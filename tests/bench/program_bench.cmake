add_executable(bench_program ${CMAKE_CURRENT_LIST_DIR}/program_bench.cpp)
target_link_libraries(bench_program PRIVATE application test_support Qt6::Test)
target_include_directories(bench_program PRIVATE ${CMAKE_SOURCE_DIR}/tests)
