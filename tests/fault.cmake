# Programs that fault on purpose, for the fault report's tests. They are
# built without sanitizer instrumentation even in the sanitizer build: the
# sanitizers would catch the faults before the report does. The runtime
# stays linked because the game library is instrumented.
file(GLOB FAULT_PROGRAM_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/faults/*.cpp)
set(FAULT_PROGRAMS)
foreach(source ${FAULT_PROGRAM_SOURCES})
  get_filename_component(name ${source} NAME_WE)
  add_executable(${name} ${source})
  target_link_libraries(${name} PRIVATE vrem_game)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/faults)
  get_target_property(options ${name} COMPILE_OPTIONS)
  if(options)
    list(FILTER options EXCLUDE REGEX "sanitize|omit-frame-pointer")
    set_target_properties(${name} PROPERTIES COMPILE_OPTIONS "${options}")
  endif()
  list(APPEND FAULT_PROGRAMS ${name})
endforeach()

if(TARGET test_fault)
  target_compile_definitions(test_fault PRIVATE
    VREM_FAULT_BIN_DIR="${CMAKE_CURRENT_BINARY_DIR}/faults"
    VREM_SOURCE_ROOT="${VREM_SOURCE_ROOT}")
  if(FAULT_PROGRAMS)
    add_dependencies(test_fault ${FAULT_PROGRAMS})
  endif()
endif()
