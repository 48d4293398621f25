# Shell and file helpers, and the system facts.
brevlin_test(tst_shellfile SOURCES tst_shellfile.cpp LIBS support)
brevlin_test(tst_systeminfo SOURCES tst_systeminfo.cpp LIBS support)
