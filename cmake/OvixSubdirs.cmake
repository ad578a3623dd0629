# Adds every immediate subfolder that carries its own CMakeLists.txt. Folders that hold
# several independent pieces (platform/, tools/, bench/, tests/) use this, so a new piece
# only adds its own folder.
function(ovix_add_subdirs)
    file(GLOB children RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
    list(SORT children)
    foreach(child IN LISTS children)
        if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${child}
           AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
            add_subdirectory(${child})
        endif()
    endforeach()
endfunction()

# Adds a GoogleTest executable and registers its cases with CTest. LABELS and RESOURCE_LOCK
# may be lists: they are applied by a script that CTest runs after the discovered cases are
# added, because gtest_discover_tests' own PROPERTIES cannot carry list values.
function(ovix_add_gtest name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS;RESOURCE_LOCK;ENVIRONMENT" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ovix_settings GTest::gtest GTest::gtest_main GTest::gmock
                          ${ARG_LIBS})
    ovix_discover_gtests(${name} TIMEOUT ${ARG_TIMEOUT} LABELS ${ARG_LABELS}
                         RESOURCE_LOCK ${ARG_RESOURCE_LOCK} ENVIRONMENT ${ARG_ENVIRONMENT})
endfunction()

# Registers the cases of an existing GoogleTest executable with CTest (see ovix_add_gtest).
function(ovix_discover_gtests target)
    cmake_parse_arguments(ARG "" "TIMEOUT" "LABELS;RESOURCE_LOCK;ENVIRONMENT" ${ARGN})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 TEST_LIST ${target}_TESTS NO_PRETTY_VALUES)
    set(props "TIMEOUT ${ARG_TIMEOUT}")
    foreach(prop LABELS RESOURCE_LOCK ENVIRONMENT)
        if(ARG_${prop})
            string(APPEND props " ${prop} [==[${ARG_${prop}}]==]")
        endif()
    endforeach()
    set(script "${CMAKE_CURRENT_BINARY_DIR}/${target}_properties.cmake")
    file(WRITE ${script}
         "if(DEFINED ${target}_TESTS)\n"
         "    set_tests_properties(\${${target}_TESTS} PROPERTIES ${props})\n"
         "endif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${script})
endfunction()
