# gb_library(<target> [QT] [DEPS <targets...>])
# Builds every .cpp of the calling folder (non-recursive) into a static library.
# Include paths are rooted at the source tree, so headers are included as
# "image/core/GbImage.h". QT marks a folder that may use Qt.
function(gb_library target)
  cmake_parse_arguments(ARG "QT" "" "DEPS;SOURCES" ${ARGN})
  if(ARG_SOURCES)
    set(srcs ${ARG_SOURCES})
  else()
    file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  add_library(${target} STATIC ${srcs})
  target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${target} PUBLIC ${ARG_DEPS})
  if(ARG_QT)
    set_target_properties(${target} PROPERTIES AUTOMOC ON)
  endif()
endfunction()

# gb_test(<name> [QT] LIBS <targets...>)
# One test program per folder of tests/, from every .cpp in it.
function(gb_test name)
  cmake_parse_arguments(ARG "QT" "" "LIBS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_executable(${name} ${srcs})
  if(ARG_QT)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
  endif()
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main gb_testsupport)
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;GB_TESTDATA=${GB_TESTDATA};GB_SAMPLE_ART=${GB_SAMPLE_ART}"
    DISCOVERY_TIMEOUT 60)
endfunction()
