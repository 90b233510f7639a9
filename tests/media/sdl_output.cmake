kz_test(sdl_output_tests sdl_output_tests.cpp LIBS platform)
