# The foundations alone: base/ and the platform files it uses, built as
# quorvane_foundations, and net/ on top of them (sockets, the poller, waits, host
# lookup, HTTP; not the encrypted mode: there is no OpenSSL for MinGW here) as
# quorvane_net, and on top of net/ the protocol's vocabulary (peer/protocol/) and the
# window's model (model/) as quorvane_protocol, with their tests in
# quorvane_foundation_tests, quorvane_net_tests and quorvane_protocol_tests.
# This is what builds for Windows today (see README); on Linux the same option builds
# the same pieces from the Linux sides.

set(QV_FOUNDATION_PLATFORM NameForms FileSystemShared Clock OwnExecutable TextLiterals
    FolderLocationsShared EnvironmentVariables)
if(WIN32)
    list(APPEND QV_FOUNDATION_PLATFORM WideText_win FileHandles_win FileSystem_win TextCodec_win FolderLocations_win
         StaleTemporaries StaleTemporaries_win)
else()
    list(APPEND QV_FOUNDATION_PLATFORM FileSystem TextCodec FolderLocations StaleTemporaries)
endif()
file(GLOB QV_FOUNDATION_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/base/*.cpp)
foreach(name ${QV_FOUNDATION_PLATFORM})
    list(APPEND QV_FOUNDATION_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/platform/${name}.cpp)
endforeach()

add_library(quorvane_foundations STATIC ${QV_FOUNDATION_SOURCES})
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/base/Version.h.in
               ${CMAKE_CURRENT_BINARY_DIR}/generated/base/Version.h @ONLY)
target_include_directories(quorvane_foundations PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}
                                                       ${CMAKE_CURRENT_BINARY_DIR}/generated)
target_link_libraries(quorvane_foundations PUBLIC Threads::Threads)
if(WIN32)
    # Unicode calls only; the process's ANSI code page is never used.
    target_compile_definitions(quorvane_foundations PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN
                                                           NOMINMAX _WIN32_WINNT=0x0A00)
    target_link_libraries(quorvane_foundations PUBLIC ws2_32 shell32 ole32 advapi32)
endif()

file(GLOB QV_NET_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/net/*.cpp)
list(FILTER QV_NET_SOURCES EXCLUDE REGEX "/net/Secure[A-Za-z]*\\.cpp$")
if(WIN32)
    list(FILTER QV_NET_SOURCES EXCLUDE REGEX "/net/Socket\\.cpp$")
else()
    list(FILTER QV_NET_SOURCES EXCLUDE REGEX "_win\\.cpp$")
endif()
add_library(quorvane_net STATIC ${QV_NET_SOURCES})
target_link_libraries(quorvane_net PUBLIC quorvane_foundations)
if(WIN32)
    target_link_libraries(quorvane_net PUBLIC iphlpapi)
    # SIO_TCP_INFO is declared from Windows 10 1703 on; older systems refuse the call.
    set_source_files_properties(${CMAKE_CURRENT_SOURCE_DIR}/net/TcpFigures.cpp
                                PROPERTIES COMPILE_DEFINITIONS NTDDI_VERSION=0x0A000003)
endif()

# The layer above net/: the protocol's vocabulary (peer/protocol/) and the window's model
# (model/), which need nothing but the layers below.
file(GLOB QV_PROTOCOL_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/peer/protocol/*.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/model/*.cpp)
add_library(quorvane_protocol STATIC ${QV_PROTOCOL_SOURCES})
target_link_libraries(quorvane_protocol PUBLIC quorvane_net)

if(NOT QV_TESTS)
    return()
endif()
enable_testing()
if(CMAKE_CROSSCOMPILING)
    # Debian's googletest sources (package googletest), built with the cross compiler.
    set(QV_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for the cross build")
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(${QV_GTEST_SOURCE} ${CMAKE_CURRENT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    set(QV_GTEST_LIBS gtest gmock gtest_main)
else()
    find_package(GTest REQUIRED)
    set(QV_GTEST_LIBS GTest::gtest GTest::gmock GTest::gtest_main)
endif()
include(GoogleTest)

# A test program NAME of SOURCES against LIBRARY, its tests listed when ctest starts
# (so that building needs no run under wine), labelled unit.
function(qv_unit_test_program name library)
    add_executable(${name} ${ARGN})
    target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
    target_link_libraries(${name} PRIVATE ${library} ${QV_GTEST_LIBS})
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                         PROPERTIES TIMEOUT 120 LABELS unit)
endfunction()

file(GLOB QV_FOUNDATION_TESTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/base/*_test.cpp)
list(APPEND QV_FOUNDATION_TESTS ${CMAKE_CURRENT_SOURCE_DIR}/tests/platform/FileSystem_test.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/tests/platform/FolderLocationsWindows_test.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/tests/platform/OwnExecutable_test.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/tests/platform/TextCodec_test.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/tests/support/SandboxFolder.cpp)
qv_unit_test_program(quorvane_foundation_tests quorvane_foundations ${QV_FOUNDATION_TESTS})

# net/'s tests that need nothing above net/. The encrypted mode's, the WAN check's and
# the speed summary's need OpenSSL, peer/ or app/: Linux only (Socket_test reads TCP
# figures on both systems).
file(GLOB QV_NET_TESTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/net/*_test.cpp)
list(FILTER QV_NET_TESTS EXCLUDE REGEX
     "/(SecureTunnel|WanAddress|TcpFigures)_test\\.cpp$")
if(NOT WIN32)
    # The encrypted mode's stand-in (SecureUnavailable_win.cpp) is Windows only.
    list(FILTER QV_NET_TESTS EXCLUDE REGEX "/EncryptedModeShared_test\\.cpp$")
endif()
list(APPEND QV_NET_TESTS ${CMAKE_CURRENT_SOURCE_DIR}/tests/support/LoopbackSockets.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/tests/support/FakeProxy.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/tests/support/HttpTestServer.cpp)
if(NOT WIN32)
    list(APPEND QV_NET_TESTS ${CMAKE_CURRENT_SOURCE_DIR}/tests/support/TinyProxy.cpp
         ${CMAKE_CURRENT_SOURCE_DIR}/tests/support/SandboxFolder.cpp)
endif()
qv_unit_test_program(quorvane_net_tests quorvane_net ${QV_NET_TESTS})
# A program of this build and a native Linux program on loopback, both ways (under
# wine for the Windows build).
add_test(NAME LinuxPeer.BothWays
         COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/scripts/wine-interop.py
                 ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:quorvane_net_tests>)
set_tests_properties(LinuxPeer.BothWays PROPERTIES TIMEOUT 120 LABELS unit)

file(GLOB QV_PROTOCOL_TESTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/peer/protocol/*_test.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/tests/model/*_test.cpp)
list(APPEND QV_PROTOCOL_TESTS ${CMAKE_CURRENT_SOURCE_DIR}/tests/support/SandboxFolder.cpp)
qv_unit_test_program(quorvane_protocol_tests quorvane_protocol ${QV_PROTOCOL_TESTS})
