# Installs the library, its headers, a pkg-config file and a CMake package (find_package(tev_module)).
# libuart is installed beside the library by its own rules (export set uartTargets).
include(CMakePackageConfigHelpers)

install(TARGETS tev_module EXPORT tev_moduleTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${TEV_MODULE_HEADERS} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

set(TEV_MODULE_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/tev_module)
install(EXPORT tev_moduleTargets NAMESPACE tev:: DESTINATION ${TEV_MODULE_CMAKE_DIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/tev_moduleConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/tev_moduleConfig.cmake
  INSTALL_DESTINATION ${TEV_MODULE_CMAKE_DIR}
  PATH_VARS CMAKE_INSTALL_LIBDIR)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/tev_moduleConfigVersion.cmake
  VERSION 1.0.0 COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/tev_moduleConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/tev_moduleConfigVersion.cmake
        DESTINATION ${TEV_MODULE_CMAKE_DIR})

# pkg-config: the prefix is taken from the file's own place, so a relocated install still works.
file(RELATIVE_PATH TEV_MODULE_PC_TO_PREFIX "/root/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/root")
configure_file(${CMAKE_CURRENT_LIST_DIR}/tev_module.pc.in ${CMAKE_CURRENT_BINARY_DIR}/tev_module.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/tev_module.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
