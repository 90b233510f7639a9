# Signals at logout or shutdown are POSIX; Windows ends a program by closing its windows.
if(NOT WIN32)
    kz_test(termination_tests termination_tests.cpp)
    target_compile_definitions(termination_tests PRIVATE KAZUTOBI_PROGRAM="$<TARGET_FILE:kazutobi>")
    add_dependencies(termination_tests kazutobi)
    # The program as main() builds it, driven through its ways out.
    add_executable(ways_out_child ${CMAKE_CURRENT_LIST_DIR}/ways_out_child.cpp)
    target_link_libraries(ways_out_child PRIVATE application)
    target_include_directories(ways_out_child PRIVATE ${CMAKE_SOURCE_DIR})
    target_compile_definitions(termination_tests PRIVATE
        WAYS_OUT_CHILD="$<TARGET_FILE:ways_out_child>"
        SHARING_CHILD="$<TARGET_FILE:record_sharing_child>")
    add_dependencies(termination_tests ways_out_child record_sharing_child)
endif()
