# The image and asset loading tests write their own PNG files, zip packs and
# Ogg Vorbis files.
foreach(name test_images test_assetload)
  if(TARGET ${name})
    target_link_libraries(${name} PRIVATE PkgConfig::PNG PkgConfig::LIBZIP ZLIB::ZLIB)
  endif()
endforeach()
if(TARGET test_assetload)
  pkg_check_modules(ASSETLOAD_VORBISENC REQUIRED IMPORTED_TARGET vorbisenc vorbis ogg)
  target_link_libraries(test_assetload PRIVATE PkgConfig::ASSETLOAD_VORBISENC)
endif()
