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
foreach(name ChatSounds CloseRequests ConsoleText DesktopOpen EnvironmentChecks FolderHandle
             TcpWindowSize ValueStore EntryFacts NewFiles ScratchFile)
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

include(cmake/ConsoleProgram.cmake)

# The release artefact: quorvane-cli-<version>-windows-x64.zip with the exe, the manual
# and a README in Japanese and English, in a folder of the same name
# (cmake --build build-windows --target package).
install(TARGETS quorvane-cli RUNTIME DESTINATION .)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/frontends/qt/quorvane.txt
              ${CMAKE_CURRENT_SOURCE_DIR}/packaging/windows/README.txt DESTINATION .)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME quorvane-cli)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME quorvane-cli-${PROJECT_VERSION}-windows-x64)
set(CPACK_STRIP_FILES ON)
include(CPack)

# The Windows program under wine and the Linux program on 127.0.0.1, each way: TEST and
# chat, speed tests, trees whole, in Packs and resumable with MD5, an interrupted send
# completed, PortN (scripts/interop.py). It needs the Linux build's program and wine's
# server running (scripts/windows.sh starts it); without the program it is skipped.
if(QV_TESTS AND CMAKE_CROSSCOMPILING_EMULATOR)
    set(QV_LINUX_CLI ${CMAKE_CURRENT_SOURCE_DIR}/build/quorvane-cli
        CACHE FILEPATH "The Linux build's console program, the other side of the interop test")
    add_test(NAME Interop.WindowsAndLinux
             COMMAND sh -c "test -x \"$1\" || { echo \"no Linux program at $1\"; exit 77; }; \
exec python3 \"$2\" --a \"$3 $4\" --b \"$1\""
                     interop ${QV_LINUX_CLI} ${CMAKE_CURRENT_SOURCE_DIR}/scripts/interop.py
                     ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:quorvane-cli>)
    set_tests_properties(Interop.WindowsAndLinux PROPERTIES TIMEOUT 300 SKIP_RETURN_CODE 77
                                                            LABELS e2e)
endif()

# The core's tests that run on Windows too (their support needs no fork and no pipe):
# the received files' platform calls, the folder handle, the system checks, the
# program's start and close, the settings menu and commands, the services.
if(QV_TESTS)
    set(QV_CORE_TESTS platform/NewFiles platform/FolderHandle platform/EnvironmentChecks
        ui/Commands ui/CurrentSettings ui/SecurityKey ui/SettingsMenu ui/TcpWindowCommand
        services/Services relay/Identity app/StartupRules app/Program)
    list(TRANSFORM QV_CORE_TESTS PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/tests/)
    list(TRANSFORM QV_CORE_TESTS APPEND _test.cpp)
    foreach(support SandboxFolder ServicesFixture ProgramFixture LoopbackSockets)
        list(APPEND QV_CORE_TESTS ${CMAKE_CURRENT_SOURCE_DIR}/tests/support/${support}.cpp)
    endforeach()
    qv_unit_test_program(quorvane_core_tests quorvane_core ${QV_CORE_TESTS})
endif()
