# The teacher's way through both tools and back to a run that uses the new criteria.
kz_test(teacher_tools_tests ${CMAKE_CURRENT_LIST_DIR}/teacher_tools_tests.cpp LIBS application views_ui)
target_include_directories(teacher_tools_tests PRIVATE ${CMAKE_SOURCE_DIR})
