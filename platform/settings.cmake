# The per-user settings store (the registry of the program) and the desktop entries that tell an installed
# copy from a portable one.
target_sources(platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RegistryStore.h
  ${CMAKE_CURRENT_LIST_DIR}/RegistryStore.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DesktopEntries.h
  ${CMAKE_CURRENT_LIST_DIR}/DesktopEntries.cpp
)
target_link_libraries(platform PRIVATE SQLite::SQLite3)
