# Install rules and the package config: find_package(QxDurerive) gives QxDurerive::QxDurerive.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(QX_CONFIG_DIR "${CMAKE_INSTALL_LIBDIR}/cmake/QxDurerive")

install(TARGETS QxDurerive EXPORT QxDureriveTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY "${QX_INCLUDE_DIR}/" DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}/QxDurerive")
install(EXPORT QxDureriveTargets NAMESPACE QxDurerive:: DESTINATION "${QX_CONFIG_DIR}")

configure_package_config_file("${PROJECT_SOURCE_DIR}/cmake/QxDureriveConfig.cmake.in"
  "${PROJECT_BINARY_DIR}/QxDureriveConfig.cmake" INSTALL_DESTINATION "${QX_CONFIG_DIR}")
write_basic_package_version_file("${PROJECT_BINARY_DIR}/QxDureriveConfigVersion.cmake"
  COMPATIBILITY SameMinorVersion)
install(FILES "${PROJECT_BINARY_DIR}/QxDureriveConfig.cmake"
  "${PROJECT_BINARY_DIR}/QxDureriveConfigVersion.cmake" DESTINATION "${QX_CONFIG_DIR}")
