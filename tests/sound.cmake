# The sound tests make their Ogg Vorbis files with the encoder and watch SDL's
# allocations.
if(TARGET test_sound)
  pkg_check_modules(VORBISENC REQUIRED IMPORTED_TARGET vorbisenc vorbis ogg)
  target_link_libraries(test_sound PRIVATE PkgConfig::VORBISENC PkgConfig::SDL2)
endif()
