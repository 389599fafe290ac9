# The asset index and command-line tests write their zip packs with libzip.
foreach(target test_index test_commandline)
  if(TARGET ${target})
    target_link_libraries(${target} PRIVATE PkgConfig::LIBZIP)
  endif()
endforeach()
