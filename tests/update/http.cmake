brevlin_test(tst_httpcusto SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_httpcusto.cpp LIBS update)
