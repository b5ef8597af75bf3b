# pathwren_layer(<target> DEPS <libs...>)
# One static library per source folder, made of every .cpp/.h in that folder.
function(pathwren_layer target)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB _src CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h
       ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
  add_library(${target} STATIC ${_src})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${target} PUBLIC ${ARG_DEPS})
  target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()

# pathwren_tests(LIBS <libs...>)
# Every tst_*.cpp in the calling folder becomes one QtTest executable and one CTest test.
# Helper sources shared by the tests live in tests/support (library pathwren_testsupport).
function(pathwren_tests)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB _tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tst_*.cpp)
  foreach(_t ${_tests})
    get_filename_component(_name ${_t} NAME_WE)
    add_executable(${_name} ${_t})
    target_link_libraries(${_name} PRIVATE ${ARG_LIBS} pathwren_testsupport Qt6::Test)
    target_compile_options(${_name} PRIVATE -Wall -Wextra)
    add_test(NAME ${_name} COMMAND ${_name})
    set_tests_properties(${_name} PROPERTIES
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8"
      TIMEOUT 300)
  endforeach()
endfunction()
