target_sources(app_forms PRIVATE ${CMAKE_CURRENT_LIST_DIR}/U_MsgDlg.h ${CMAKE_CURRENT_LIST_DIR}/U_MsgDlg.cpp)
