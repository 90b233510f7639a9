find_package(Boost 1.74 REQUIRED CONFIG COMPONENTS headers)
kz_test(tst_serve_routes tst_serve_routes.cpp LIBS serve_model Boost::headers)
# GCC 12 with the sanitizers takes the optional inside Beast's response parser (the tests'
# client) for maybe uninitialised, in Boost's own headers.
if(KAZUTOBI_SANITIZE AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(tst_serve_routes PRIVATE -Wno-maybe-uninitialized)
endif()
