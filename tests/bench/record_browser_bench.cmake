add_executable(bench_record_browser ${CMAKE_CURRENT_SOURCE_DIR}/record_browser_bench.cpp)
target_link_libraries(bench_record_browser PRIVATE views_ui test_support Qt6::Widgets)
