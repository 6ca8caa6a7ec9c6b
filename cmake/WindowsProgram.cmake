# The console program for Windows on top of the foundations (cmake/Foundations.cmake):
# the rest of the core (peer/, relay/, services/, ui/, app/ and the platform files the
# foundations leave out) as quorvane_core, the console window as quorvane_console and
# quorvane-cli.exe. There is no OpenSSL for MinGW here: the encrypted mode's files are
# left out and net/SecureUnavailable_win.cpp (in quorvane_net with the rest of net/)
# says so where the mode would start.

set(QV_WINDOWS_CORE_SOURCES)
foreach(dir peer/client peer/server relay services ui app)
    file(GLOB dir_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp)
    list(APPEND QV_WINDOWS_CORE_SOURCES ${dir_sources})
endforeach()
foreach(name ChatSounds EnvironmentChecks FolderHandle TcpWindowSize ValueStore)
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/platform/${name}_win.cpp)
        list(APPEND QV_WINDOWS_CORE_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/platform/${name}_win.cpp)
    else()
        list(APPEND QV_WINDOWS_CORE_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/platform/${name}.cpp)
    endif()
endforeach()
# A file with a Windows side (name_win.cpp beside name.cpp) builds from that side.
foreach(source ${QV_WINDOWS_CORE_SOURCES})
    string(REGEX REPLACE "\\.cpp$" "_win.cpp" windows_side ${source})
    if(EXISTS ${windows_side} AND NOT source MATCHES "_win\\.cpp$")
        list(REMOVE_ITEM QV_WINDOWS_CORE_SOURCES ${source})
        list(APPEND QV_WINDOWS_CORE_SOURCES ${windows_side})
    endif()
endforeach()
# The system's random bytes (both systems in one file).
list(APPEND QV_WINDOWS_CORE_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/platform/RandomBytes.cpp)
list(REMOVE_DUPLICATES QV_WINDOWS_CORE_SOURCES)

add_library(quorvane_core STATIC ${QV_WINDOWS_CORE_SOURCES})
target_link_libraries(quorvane_core PUBLIC quorvane_protocol)

file(GLOB QV_CONSOLE_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/frontends/console/*.cpp)
list(FILTER QV_CONSOLE_SOURCES EXCLUDE REGEX ".*/main\\.cpp$")
add_library(quorvane_console STATIC ${QV_CONSOLE_SOURCES})
target_link_libraries(quorvane_console PUBLIC quorvane_core)
add_executable(quorvane-cli frontends/console/main.cpp)
target_link_libraries(quorvane-cli PRIVATE quorvane_console)
set_target_properties(quorvane-cli PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
