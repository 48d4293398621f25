# Shell and file helpers, and the system facts of the log header.
list(APPEND SUPPORT_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/U_ShellFile.h
  ${CMAKE_CURRENT_LIST_DIR}/U_ShellFile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/U_SystemInfo.h
  ${CMAKE_CURRENT_LIST_DIR}/U_SystemInfo.cpp
)
