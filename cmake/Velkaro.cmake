# Shared build rules: one static library per subsystem folder, one test
# executable per tst_*.cpp file, every test registered with CTest.

set(VELKARO_TEST_ENV
    "QT_QPA_PLATFORM=offscreen"
    "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:halt_on_error=1"
    "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/cmake/lsan.supp:print_suppressions=0"
    "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
    "TZ=UTC")

# velkaro_add_library(<target> [SOURCES ...] [LIBS ...])
# A library names its sources; a folder that does not yet do so falls back
# to every .cpp/.h/.qrc file in it except main.cpp.
function(velkaro_add_library target)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    if(ARG_SOURCES)
        set(_src ${ARG_SOURCES})
    else()
        file(GLOB _src CONFIGURE_DEPENDS
             ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp
             ${CMAKE_CURRENT_SOURCE_DIR}/*.h
             ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
        list(FILTER _src EXCLUDE REGEX "/main\\.cpp$")
    endif()
    if(NOT _src)
        return()
    endif()
    add_library(${target} STATIC ${_src})
    target_include_directories(${target} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${target} PUBLIC ${ARG_LIBS})
endfunction()

# velkaro_add_tests(LIBS ...)
# One executable and one CTest test per tst_*.cpp file of the calling folder.
# Tests run from the source root so that resources/ is the sample set.
function(velkaro_add_tests)
    cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
    file(GLOB _tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tst_*.cpp)
    file(GLOB _support CONFIGURE_DEPENDS
         ${CMAKE_CURRENT_SOURCE_DIR}/support_*.cpp
         ${CMAKE_CURRENT_SOURCE_DIR}/support_*.h)
    foreach(_t ${_tests})
        get_filename_component(_name ${_t} NAME_WE)
        set(_libs)
        foreach(_l ${ARG_LIBS})
            if(TARGET ${_l})
                list(APPEND _libs ${_l})
            endif()
        endforeach()
        add_executable(${_name} ${_t} ${_support})
        target_link_libraries(${_name} PRIVATE ${_libs} Qt5::Test)
        target_compile_definitions(${_name} PRIVATE
            VELKARO_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
            VELKARO_BINARY_DIR="${CMAKE_BINARY_DIR}")
        add_test(NAME ${_name} COMMAND ${_name}
                 WORKING_DIRECTORY ${CMAKE_SOURCE_DIR})
        set_tests_properties(${_name} PROPERTIES
            ENVIRONMENT "${VELKARO_TEST_ENV}" TIMEOUT 300)
    endforeach()
endfunction()
