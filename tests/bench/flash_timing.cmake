# Flash timing of the drill screen with real precise timers; prints its figures (not a ctest test,
# it takes about 40 s of real time).
add_executable(bench_flash_timing flash_timing.cpp)
target_link_libraries(bench_flash_timing PRIVATE drill_ui platform)
