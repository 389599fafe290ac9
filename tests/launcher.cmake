# The launcher tests start the real launcher and a stand-in game program that
# records how it was started.
add_executable(launch_standin ${CMAKE_CURRENT_SOURCE_DIR}/launch_standin.cpp)
if(TARGET test_launcher)
  add_dependencies(test_launcher launcher launch_standin)
  target_compile_definitions(test_launcher PRIVATE
    VREM_LAUNCHER="$<TARGET_FILE:launcher>"
    VREM_STANDIN="$<TARGET_FILE:launch_standin>")
endif()
