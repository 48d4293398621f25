# Shell launcher and executable version resources.
target_sources(platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/Launcher.h
  ${CMAKE_CURRENT_LIST_DIR}/Launcher.cpp
  ${CMAKE_CURRENT_LIST_DIR}/VersionResource.h
  ${CMAKE_CURRENT_LIST_DIR}/VersionResource.cpp
)
