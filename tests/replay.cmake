# The replay tool's checks run the built tool on the generated data sets and
# decode its screenshots with libpng.
if(TARGET test_replay AND TARGET vrem_replay)
  target_link_libraries(test_replay PRIVATE PkgConfig::PNG)
  target_compile_definitions(test_replay PRIVATE VREM_REPLAY="$<TARGET_FILE:vrem_replay>")
  add_dependencies(test_replay vrem_replay)
  if(TARGET vrem_data)
    add_dependencies(test_replay vrem_data)
  endif()
endif()
