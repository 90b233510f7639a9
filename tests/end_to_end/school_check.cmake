# `kazutobi --check` on broken copies of the demo school, and the check with stand-in probes.
kz_test(school_check_tests ${CMAKE_CURRENT_LIST_DIR}/school_check_tests.cpp LIBS check_model)
target_include_directories(school_check_tests PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_definitions(school_check_tests PRIVATE KAZUTOBI_PROGRAM="$<TARGET_FILE:kazutobi>"
    KAZUTOBI_DEMO="${CMAKE_BINARY_DIR}/demo")
add_dependencies(school_check_tests kazutobi demo_school)
