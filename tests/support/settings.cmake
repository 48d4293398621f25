# The INI file, and the settings with the portable mode; the latter also reads the desktop entry we install.
brevlin_test(tst_inifile SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_inifile.cpp LIBS support)
brevlin_test(tst_settings SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_settings.cpp LIBS support platform)
target_compile_definitions(tst_settings PRIVATE BREVLIN_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
