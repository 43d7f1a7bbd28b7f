set(QUELVANE_TEST_LOCK_DIR ${PROJECT_BINARY_DIR}/test-locks)
file(MAKE_DIRECTORY ${QUELVANE_TEST_LOCK_DIR})

# quelvane_add_test(<name> SOURCES <files...> LIBS <targets...>)
# Builds one Qt Test program and registers it with ctest, headless.
function(quelvane_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt6::Test)
    # Shared test fixtures are included as "support/<File>.h".
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    add_test(NAME ${name} COMMAND ${name})
    # Lock files of the ports tests open go to the build tree, never to the machine's /run/lock.
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QUELVANE_LOCK_DIR=${QUELVANE_TEST_LOCK_DIR}"
        TIMEOUT 300)
endfunction()

# A static library of one layer; code includes its headers as "<layer>/<file>.h".
function(quelvane_add_layer name)
    add_library(${name} STATIC ${ARGN})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
endfunction()
