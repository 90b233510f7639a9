kz_test(tst_selection_model ${CMAKE_CURRENT_SOURCE_DIR}/tst_selection_model.cpp LIBS selection_model)
target_include_directories(tst_selection_model PRIVATE ${CMAKE_SOURCE_DIR}/tests)
kz_test(tst_selection_screens ${CMAKE_CURRENT_SOURCE_DIR}/tst_selection_screens.cpp LIBS selection_ui)
target_include_directories(tst_selection_screens PRIVATE ${CMAKE_SOURCE_DIR}/tests)
