include(CMakePackageConfigHelpers)
install(EXPORT PYXTargets NAMESPACE PYX:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/PYX)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/PYXConfig.cmake.in
  ${PROJECT_BINARY_DIR}/PYXConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/PYX)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/PYXConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/PYXConfig.cmake ${PROJECT_BINARY_DIR}/PYXConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/PYX)
