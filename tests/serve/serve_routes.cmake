find_package(Boost 1.74 REQUIRED CONFIG COMPONENTS headers)
kz_test(tst_serve_routes tst_serve_routes.cpp LIBS serve_model Boost::headers)
