# Forty simulated browsers against `kazutobi --serve` on loopback for two minutes, beside other
# computers' appends and a teacher's erase: runs lost, doubled or torn, latency and memory. Run by
# scripts/bench (label "figures"), not by the test command: two minutes of the machine to itself.
if(EXISTS /usr/bin/python3)
    add_test(NAME serve_load COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/serve_load.py
        $<TARGET_FILE:kazutobi> 120 40 $<TARGET_FILE:record_file_child>
        $<TARGET_FILE:record_sharing_child>)
    set_tests_properties(serve_load PROPERTIES LABELS "bench;figures" RUN_SERIAL ON TIMEOUT 400
        ENVIRONMENT "LC_ALL=C.UTF-8")
endif()
