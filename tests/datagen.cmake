# The data set checks decode the generated files themselves and run the
# generator again to compare its output.
if(TARGET test_datagen AND TARGET vrem_datagen)
  target_link_libraries(test_datagen PRIVATE PkgConfig::PNG PkgConfig::LIBZIP PkgConfig::VORBIS)
  target_compile_definitions(test_datagen PRIVATE VREM_DATAGEN="$<TARGET_FILE:vrem_datagen>")
  add_dependencies(test_datagen vrem_datagen vrem_data)
endif()
