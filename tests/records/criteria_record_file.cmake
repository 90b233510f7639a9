# The criteria file and the record file: formats, appends, and appends from several processes.
add_executable(record_file_child record_file_child.cpp)
target_link_libraries(record_file_child PRIVATE records_model test_support)

kz_test(criteria_tests criteria_tests.cpp LIBS records_model)
kz_test(record_file_tests record_file_tests.cpp LIBS records_model)
target_compile_definitions(record_file_tests PRIVATE
    RECORD_FILE_CHILD="$<TARGET_FILE:record_file_child>")
add_dependencies(record_file_tests record_file_child)
