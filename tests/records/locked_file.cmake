# Replacing a shared file while other processes have it open, in folders with Japanese names.
kz_test(locked_file_tests locked_file_tests.cpp LIBS platform)
