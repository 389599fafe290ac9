# The mask-from-image test writes its own PNG files.
if(TARGET test_maskfromimage)
  target_link_libraries(test_maskfromimage PRIVATE PkgConfig::PNG)
endif()
