# Shared build rules: one static library per subsystem folder, one test
# executable per tst_*.cpp file, every test registered with CTest.

set(VELKARO_TEST_ENV
    "QT_QPA_PLATFORM=offscreen"
    "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:halt_on_error=1"
    "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/cmake/lsan.supp:print_suppressions=0"
    "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
    "TZ=UTC")

# velkaro_require_targets(<consumer> <library>...)
# A library a consumer names must exist by then: a misspelt or not yet built
# one stops the configure instead of leaving a link error (or a silently
# missing dependency) for later.
function(velkaro_require_targets consumer)
    foreach(_l ${ARGN})
        if(NOT TARGET ${_l})
            message(FATAL_ERROR "${consumer} names ${_l}, which is not defined (yet)")
        endif()
    endforeach()
endfunction()

# velkaro_add_library(<target> SOURCES ... [LIBS ...])
# Every library names its sources, so that a new file (and a new Q_OBJECT
# header for moc) enters the build through its CMakeLists. A library links
# only libraries defined before it, which keeps the arrows one way.
function(velkaro_add_library target)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    if(NOT ARG_SOURCES)
        message(FATAL_ERROR "${target} names no sources")
    endif()
    velkaro_require_targets(${target} ${ARG_LIBS})
    add_library(${target} STATIC ${ARG_SOURCES})
    target_include_directories(${target} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${target} PUBLIC ${ARG_LIBS})
endfunction()

# velkaro_add_programs(<prefix> <out-var> [LIBS ...] [EXTRA ...])
# One executable per <prefix>_*.cpp file of the calling folder, with the
# EXTRA sources, linked with LIBS; their names go to <out-var>.
function(velkaro_add_programs prefix out)
    cmake_parse_arguments(ARG "" "" "LIBS;EXTRA" ${ARGN})
    velkaro_require_targets("${prefix}_* in ${CMAKE_CURRENT_SOURCE_DIR}" ${ARG_LIBS})
    file(GLOB _files CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${prefix}_*.cpp)
    set(_names)
    foreach(_f ${_files})
        get_filename_component(_name ${_f} NAME_WE)
        add_executable(${_name} ${_f} ${ARG_EXTRA})
        target_link_libraries(${_name} PRIVATE ${ARG_LIBS})
        target_compile_definitions(${_name} PRIVATE
            VELKARO_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
            VELKARO_BINARY_DIR="${CMAKE_BINARY_DIR}")
        list(APPEND _names ${_name})
    endforeach()
    set(${out} ${_names} PARENT_SCOPE)
endfunction()

# velkaro_add_tests(LIBS ...)
# One executable and one CTest test per tst_*.cpp file of the calling folder;
# its support_*.cpp/.h files are compiled into each.
# Tests run from the source root so that resources/ is the sample set.
function(velkaro_add_tests)
    cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
    file(GLOB _support CONFIGURE_DEPENDS
         ${CMAKE_CURRENT_SOURCE_DIR}/support_*.cpp
         ${CMAKE_CURRENT_SOURCE_DIR}/support_*.h)
    velkaro_add_programs(tst _tests LIBS ${ARG_LIBS} Qt5::Test EXTRA ${_support})
    foreach(_name ${_tests})
        add_test(NAME ${_name} COMMAND ${_name}
                 WORKING_DIRECTORY ${CMAKE_SOURCE_DIR})
        set_tests_properties(${_name} PROPERTIES
            ENVIRONMENT "${VELKARO_TEST_ENV}" TIMEOUT 300)
    endforeach()
endfunction()
