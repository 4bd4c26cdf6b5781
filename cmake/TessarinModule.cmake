# One static library per source folder; every .cpp in the folder belongs to it, so adding a
# file needs no edit here. Dependencies only point down the layer list.
function(tessarin_module name)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    if(NOT sources)
        # Interfaces only (or nothing yet): a header-only target.
        add_library(tessarin_${name} INTERFACE)
        target_include_directories(tessarin_${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
        target_link_libraries(tessarin_${name} INTERFACE ${ARG_DEPS})
        return()
    endif()
    add_library(tessarin_${name} STATIC ${sources})
    target_include_directories(tessarin_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(tessarin_${name} PUBLIC ${ARG_DEPS})
    set_property(GLOBAL APPEND PROPERTY TESSARIN_MODULES tessarin_${name})
endfunction()

# One GoogleTest program per test folder; each test case is its own ctest entry.
function(tessarin_test_folder name)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    if(NOT sources)
        return()
    endif()
    add_executable(test_${name} ${sources})
    target_link_libraries(test_${name} PRIVATE ${ARG_DEPS} tessarin_test_support GTest::gtest GTest::gmock)
    gtest_discover_tests(test_${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60)
endfunction()
