# The console window on top of quorvane_core, on both systems: a library (so tests can
# drive it) and a tiny main, quorvane-cli.
file(GLOB QV_CONSOLE_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/frontends/console/*.cpp)
list(FILTER QV_CONSOLE_SOURCES EXCLUDE REGEX ".*/main\\.cpp$")
add_library(quorvane_console STATIC ${QV_CONSOLE_SOURCES})
target_link_libraries(quorvane_console PUBLIC quorvane_core)
add_executable(quorvane-cli frontends/console/main.cpp)
target_link_libraries(quorvane-cli PRIVATE quorvane_console)
set_target_properties(quorvane-cli PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
