# The window, keyboard and menu tests drive SDL directly (events, window flags).
foreach(name test_window test_keyboard test_menu)
  if(TARGET ${name})
    target_link_libraries(${name} PRIVATE PkgConfig::SDL2)
  endif()
endforeach()
