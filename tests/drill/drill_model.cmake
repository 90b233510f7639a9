kz_test(tst_flash_drill tst_flash_drill.cpp LIBS drill_model)
