# The registry store; the test starts copies of itself as writer processes.
brevlin_test(tst_registrystore SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_registrystore.cpp LIBS platform SQLite::SQLite3)
