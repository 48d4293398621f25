# The shell launcher and the version resource reader, which also reads the real program's resource.
brevlin_test(tst_versionresource SOURCES tst_versionresource.cpp VersionImages.h LIBS platform)
target_compile_definitions(tst_versionresource PRIVATE
  BREVLIN_EXECUTABLE="$<TARGET_FILE:brevlin>"
  BREVLIN_PROJECT_VERSION="${PROJECT_VERSION}"
)
add_dependencies(tst_versionresource brevlin)
brevlin_test(tst_launcher SOURCES tst_launcher.cpp LIBS platform)
