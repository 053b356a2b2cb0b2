# Shared build settings and the one function that registers tests.

function(bolto_set_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
                                             -Wnon-virtual-dtor -Wno-missing-field-initializers)
endfunction()

# bolto_add_test(NAME SOURCES... [LIBS libs...])
# Builds one QtTest program and registers it with CTest on the offscreen platform. Each test
# gets its own settings and data folders, so nothing leaks into the user's home or between tests.
function(bolto_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/tests")
    target_link_libraries(${name} PRIVATE Qt6::Test ${ARG_LIBS})
    bolto_set_warnings(${name})
    set(home "${CMAKE_BINARY_DIR}/test-home/${name}")
    # Every run starts from an empty home: what an earlier run saved (settings, progress) would
    # otherwise be resumed by the next.
    add_test(NAME ${name}
             COMMAND sh -c "rm -rf \"$HOME/config\" \"$HOME/data\" \"$HOME/cache\" && exec \"$0\""
                     $<TARGET_FILE:${name}>)
    set_tests_properties(${name} PROPERTIES
        TIMEOUT 600
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QTWEBENGINE_DISABLE_SANDBOX=1;QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu --no-sandbox --disable-dev-shm-usage;HOME=${home};XDG_CONFIG_HOME=${home}/config;XDG_DATA_HOME=${home}/data;XDG_CACHE_HOME=${home}/cache;XDG_RUNTIME_DIR=${home}/runtime;BOLTO_TEST_SOURCE_DIR=${CMAKE_SOURCE_DIR};BOLTO_BIN_DIR=${CMAKE_BINARY_DIR}/bin")
    file(MAKE_DIRECTORY "${home}/runtime")
    file(CHMOD "${home}/runtime" DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
endfunction()
