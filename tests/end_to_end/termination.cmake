# Signals at logout or shutdown are POSIX; Windows ends a program by closing its windows.
if(NOT WIN32)
    kz_test(termination_tests termination_tests.cpp)
    target_compile_definitions(termination_tests PRIVATE KAZUTOBI_PROGRAM="$<TARGET_FILE:kazutobi>")
    add_dependencies(termination_tests kazutobi)
endif()
