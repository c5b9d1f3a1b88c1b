# pyx_add_package(NAME [DEPS lib...] [PRIVATE_DEPS lib...])
# One shared library per package folder; every .cpp in the folder is a source,
# every .h a public header installed under include/pyx/<NAME>/.
function(pyx_add_package NAME)
  cmake_parse_arguments(P "" "" "DEPS;PRIVATE_DEPS" ${ARGN})
  file(GLOB _src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  file(GLOB _hdr CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  add_library(${NAME} SHARED ${_src} ${_hdr})
  add_library(PYX::${NAME} ALIAS ${NAME})
  target_include_directories(${NAME} PUBLIC
    $<BUILD_INTERFACE:${PYX_INCLUDE_ROOT}>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/pyx>)
  target_link_libraries(${NAME} PUBLIC ${P_DEPS} PRIVATE pyx_options ${P_PRIVATE_DEPS})
  target_compile_features(${NAME} PUBLIC cxx_std_20)
  set_target_properties(${NAME} PROPERTIES
    VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR}
    OUTPUT_NAME pyx_${NAME})
  install(TARGETS ${NAME} EXPORT PYXTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
  install(FILES ${_hdr} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/pyx/${NAME})
  set(PYX_PC_REQUIRES "")
  foreach(d ${P_DEPS})
    string(REPLACE "PYX::" "pyx-" d "${d}")
    if(d MATCHES "^pyx-")
      string(APPEND PYX_PC_REQUIRES " ${d}")
    endif()
  endforeach()
  set(PYX_PC_NAME ${NAME})
  configure_file(${PROJECT_SOURCE_DIR}/cmake/pyx.pc.in
    ${PROJECT_BINARY_DIR}/pkgconfig/pyx-${NAME}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/pkgconfig/pyx-${NAME}.pc
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endfunction()

# pyx_add_gtests(PACKAGE LIBS...): one test program per .cpp of the folder,
# named <package>_<file>, so that each can be built and run on its own.
function(pyx_add_gtests PACKAGE)
  file(GLOB _src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(src ${_src})
    get_filename_component(stem ${src} NAME_WE)
    set(name ${PACKAGE}_${stem})
    add_executable(${name} ${src})
    target_link_libraries(${name} PRIVATE ${ARGN} GTest::gtest GTest::gtest_main GTest::gmock pyx_options)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
      PROPERTIES ENVIRONMENT "PYX_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data")
  endforeach()
endfunction()
