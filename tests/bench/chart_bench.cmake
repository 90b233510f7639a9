add_executable(bench_chart ${CMAKE_CURRENT_SOURCE_DIR}/chart_bench.cpp)
target_link_libraries(bench_chart PRIVATE test_support views_chart Qt6::Gui)
