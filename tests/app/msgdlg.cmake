brevlin_test(tst_msgdlg SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_msgdlg.cpp LIBS app_forms)
