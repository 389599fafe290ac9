# Fault report: source lines from the debug information through GCC's
# libbacktrace, which ships with the compiler.
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libbacktrace.a
                OUTPUT_VARIABLE VREM_LIBBACKTRACE OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT IS_ABSOLUTE "${VREM_LIBBACKTRACE}" OR NOT EXISTS "${VREM_LIBBACKTRACE}")
  message(FATAL_ERROR "libbacktrace.a not found beside ${CMAKE_CXX_COMPILER}")
endif()
get_filename_component(VREM_LIBBACKTRACE_DIR ${VREM_LIBBACKTRACE} DIRECTORY)
# Only its header, not the compiler's whole include folder, joins the path.
configure_file(${VREM_LIBBACKTRACE_DIR}/include/backtrace.h
               ${CMAKE_BINARY_DIR}/libbacktrace/backtrace.h COPYONLY)
target_include_directories(vrem_platform SYSTEM PRIVATE ${CMAKE_BINARY_DIR}/libbacktrace)
target_link_libraries(vrem_platform PRIVATE ${VREM_LIBBACKTRACE})
