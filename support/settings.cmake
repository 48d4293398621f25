# The settings store and the portable mode, with the INI file they carry settings in; the desktop entry
# and icon that mark an installed copy.
list(APPEND SUPPORT_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/IniFile.h
  ${CMAKE_CURRENT_LIST_DIR}/IniFile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/U_Settings.h
  ${CMAKE_CURRENT_LIST_DIR}/U_Settings.cpp
)
install(FILES ${PROJECT_SOURCE_DIR}/data/brevlin.desktop DESTINATION share/applications)
install(FILES ${PROJECT_SOURCE_DIR}/data/brevlin.svg DESTINATION share/icons/hicolor/scalable/apps)
