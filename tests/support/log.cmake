brevlin_test(tst_log SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_log.cpp LIBS support)
