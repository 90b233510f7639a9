kz_test(media_tests media_tests.cpp LIBS media_model)
