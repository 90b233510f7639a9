kz_test(qt_timer_tests qt_timer_tests.cpp LIBS platform)
