# Sounds on the real SDL output (silent driver) and the drill's answer-to-next-number time;
# prints its figures (not a ctest test: real time, about 30 s).
add_executable(bench_sound ${CMAKE_CURRENT_LIST_DIR}/sound_bench.cpp)
target_link_libraries(bench_sound PRIVATE drill_ui platform Qt6::Test)
