# The image and asset loading tests write their own PNG files and zip packs.
foreach(name test_images test_assetload)
  if(TARGET ${name})
    target_link_libraries(${name} PRIVATE PkgConfig::PNG PkgConfig::LIBZIP ZLIB::ZLIB)
  endif()
endforeach()
