# The version resource of our executables: a Windows-format VS_VERSIONINFO block (fixed file information,
# one string table, one translation) in the ELF section ".brevlin_version", where platform/VersionResource
# finds it. The block is written at build time by brevlin-versiongen from the project version.

add_executable(brevlin-versiongen
  ${CMAKE_CURRENT_LIST_DIR}/../tools/versiongen/main.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../tools/versiongen/VersionBlock.h
)
brevlin_warnings(brevlin-versiongen)

# Embeds the version block in `target`: file version = the project version (four parts), ProductName
# "Brevlin", CompanyName "Quillmoor", an empty FileDescription, ProductVersion "1.0.0.0".
function(brevlin_embed_version target)
  set(source ${CMAKE_CURRENT_BINARY_DIR}/${target}_versionblock.cpp)
  add_custom_command(
    OUTPUT ${source}
    COMMAND brevlin-versiongen ${source} ${PROJECT_VERSION} 1.0.0.0 Brevlin Quillmoor
    DEPENDS brevlin-versiongen
    COMMENT "Writing the version block of ${target}"
    VERBATIM
  )
  target_sources(${target} PRIVATE ${source})
endfunction()
