kz_test(shell_tests shell_tests.cpp LIBS shell_model)
