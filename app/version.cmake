# The program carries its version resource (file version, product and company names).
if(COMMAND brevlin_embed_version)
  brevlin_embed_version(brevlin)
endif()
