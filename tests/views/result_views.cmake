# The result views, the comparison chart and pages: the model without widgets, then the level menu.
kz_test(tst_views_model ${CMAKE_CURRENT_LIST_DIR}/tst_views_model.cpp LIBS views_model)
target_include_directories(tst_views_model PRIVATE ${CMAKE_SOURCE_DIR}/tests)
kz_test(tst_level_menu_views ${CMAKE_CURRENT_LIST_DIR}/tst_level_menu_views.cpp LIBS selection_ui)
target_include_directories(tst_level_menu_views PRIVATE ${CMAKE_SOURCE_DIR}/tests)
kz_test(tst_chart ${CMAKE_CURRENT_LIST_DIR}/tst_chart.cpp LIBS views_chart)
target_include_directories(tst_chart PRIVATE ${CMAKE_SOURCE_DIR}/tests)
kz_test(tst_comparison_panel ${CMAKE_CURRENT_LIST_DIR}/tst_comparison_panel.cpp LIBS selection_ui)
target_include_directories(tst_comparison_panel PRIVATE ${CMAKE_SOURCE_DIR}/tests)
