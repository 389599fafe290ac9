# Sprite screen: the shared sprite tests once more on the OpenGL back-end
# (under a virtual X display with Mesa), the headless scene program of the
# render-target back-end they compare against, and the sprite benchmark on
# the OpenGL back-end.
add_executable(sprite_scene_dump ${CMAKE_CURRENT_SOURCE_DIR}/sprite_scene_dump.cpp)
target_include_directories(sprite_scene_dump PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(sprite_scene_dump PRIVATE vrem_game vrem_backend_dx9)

add_executable(test_sprites_gl ${CMAKE_CURRENT_SOURCE_DIR}/test_sprites.cpp
               ${CMAKE_CURRENT_SOURCE_DIR}/sprites_gl_compare.cpp
               ${CMAKE_CURRENT_SOURCE_DIR}/TestSupport.cpp)
target_include_directories(test_sprites_gl PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(test_sprites_gl PRIVATE vrem_game vrem_backend_gl GTest::gtest
                      GTest::gtest_main)
target_compile_definitions(test_sprites_gl PRIVATE
  VREM_BIN_DIR="$<TARGET_FILE_DIR:vrem_gl>"
  VREM_BUILD_DIR="${CMAKE_BINARY_DIR}"
  VREM_TEST_SOURCE_DIR="${CMAKE_CURRENT_SOURCE_DIR}"
  VREM_SCENE_DUMP="$<TARGET_FILE:sprite_scene_dump>")
add_dependencies(test_sprites_gl sprite_scene_dump)
find_program(VREM_XVFB_RUN xvfb-run REQUIRED)
add_test(NAME sprites_gl
         COMMAND ${VREM_XVFB_RUN} -a -s "-screen 0 640x480x24" $<TARGET_FILE:test_sprites_gl>)
set(VREM_SPRITES_GL_ENV "SDL_VIDEODRIVER=x11;SDL_AUDIODRIVER=dummy;LIBGL_ALWAYS_SOFTWARE=1;WAYLAND_DISPLAY=")
if(VREM_SANITIZE)
  # Mesa's driver and D-Bus leave allocations behind after their modules are
  # unloaded, beyond any suppression; the same tests run leak-checked on the
  # render-target back-end.
  list(APPEND VREM_SPRITES_GL_ENV "ASAN_OPTIONS=detect_leaks=0")
endif()
set_tests_properties(sprites_gl PROPERTIES ENVIRONMENT "${VREM_SPRITES_GL_ENV}" TIMEOUT 300)

if(VREM_BENCH AND EXISTS ${CMAKE_SOURCE_DIR}/bench/bench_sprites.cpp)
  find_package(benchmark REQUIRED)
  add_executable(vrem_bench_sprites_gl ${CMAKE_SOURCE_DIR}/bench/bench_sprites.cpp)
  target_link_libraries(vrem_bench_sprites_gl PRIVATE vrem_game vrem_backend_gl
                        benchmark::benchmark benchmark::benchmark_main)
  target_compile_definitions(vrem_bench_sprites_gl PRIVATE VREM_BENCH_GL=1)
endif()
