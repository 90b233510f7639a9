kz_test(tst_mainfrm tst_mainfrm.cpp LIBS drill_ui)
