# The record file shared by several computers: change and erase against appends, crashes in
# the middle of a replacement, a read-only share, the moment a record is dated.
add_executable(record_sharing_child ${CMAKE_CURRENT_LIST_DIR}/record_sharing_child.cpp)
target_link_libraries(record_sharing_child PRIVATE records_model test_support)
kz_test(record_sharing_tests ${CMAKE_CURRENT_LIST_DIR}/record_sharing_tests.cpp LIBS records_model)
target_compile_definitions(record_sharing_tests PRIVATE
    SHARING_CHILD="$<TARGET_FILE:record_sharing_child>"
    RECORD_FILE_CHILD="$<TARGET_FILE:record_file_child>")
add_dependencies(record_sharing_tests record_sharing_child record_file_child)
