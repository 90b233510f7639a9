kz_test(shell_ui_tests shell_ui_tests.cpp LIBS shell_ui)
