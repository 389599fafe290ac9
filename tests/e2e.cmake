# The end-to-end test runs the game programs on the generated data set under
# its own X server and window manager. Each case takes many seconds, and the
# cases run alone so that no other X test slows their waits down. The cases
# are found when the tests run, so their properties are set then too.
if(TARGET test_e2e)
  if(TARGET vrem_data)
    add_dependencies(test_e2e vrem_data)
  endif()
  set(VREM_E2E_PROPERTIES ${CMAKE_CURRENT_BINARY_DIR}/e2e_properties.cmake)
  file(WRITE ${VREM_E2E_PROPERTIES}
       "foreach(name IN LISTS test_e2e_TESTS)\n"
       "  set_tests_properties(\"\${name}\" PROPERTIES TIMEOUT 240 RUN_SERIAL TRUE)\n"
       "endforeach()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${VREM_E2E_PROPERTIES})
endif()
