# The warning options every target of the project compiles with; -Werror
# on top when PATHWREN_WERROR is set (CI sets it).
add_library(pathwren_warnings INTERFACE)
target_compile_options(pathwren_warnings INTERFACE
  -Wall -Wextra -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
  $<$<BOOL:${PATHWREN_WERROR}>:-Werror>)

# Fails the configuration when a source file of the calling folder is in
# no list: a file is in the build because it is listed, and a new one
# cannot go unbuilt unnoticed.
function(pathwren_check_listed)
  file(GLOB _present RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
  foreach(_f ${_present})
    if(NOT _f IN_LIST ARGN)
      message(FATAL_ERROR "${CMAKE_CURRENT_SOURCE_DIR}/${_f} is in no source list of its CMakeLists.txt")
    endif()
  endforeach()
endfunction()

# pathwren_layer(<target> SOURCES <files...> DEPS <libs...> [PRIVATE_DEPS <libs...>])
# One static library per source folder, made of the files listed.
function(pathwren_layer target)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;PRIVATE_DEPS;OTHER_FILES" ${ARGN})
  pathwren_check_listed(${ARG_SOURCES} ${ARG_OTHER_FILES})
  add_library(${target} STATIC ${ARG_SOURCES})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${target} PUBLIC ${ARG_DEPS} PRIVATE pathwren_warnings ${ARG_PRIVATE_DEPS})
endfunction()

# pathwren_tests(LIBS <libs...> TESTS <names...> [HELPERS <headers...>])
# Each name is a tst_<name>.cpp of the calling folder that becomes one
# QtTest executable and one CTest test.  Helper sources shared by the tests
# live in tests/support (library pathwren_testsupport).
function(pathwren_tests)
  cmake_parse_arguments(ARG "" "" "LIBS;TESTS;HELPERS" ${ARGN})
  set(_files ${ARG_HELPERS})
  foreach(_name ${ARG_TESTS})
    list(APPEND _files ${_name}.cpp)
  endforeach()
  pathwren_check_listed(${_files})
  foreach(_name ${ARG_TESTS})
    add_executable(${_name} ${_name}.cpp ${ARG_HELPERS})
    target_link_libraries(${_name} PRIVATE ${ARG_LIBS} pathwren_testsupport Qt6::Test pathwren_warnings)
    add_test(NAME ${_name} COMMAND ${_name})
    set_tests_properties(${_name} PROPERTIES
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8"
      TIMEOUT 300)
  endforeach()
endfunction()
