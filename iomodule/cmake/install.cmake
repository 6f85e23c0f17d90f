# Installs the library, its headers, a pkg-config file and a CMake package (find_package(tev_module)).
# libuart is installed beside the library by its own rules (export set tev_uartTargets). The runtime
# library is the component libtev-module1 (after its soname), everything to build with it libtev-dev.
include(CMakePackageConfigHelpers)

install(TARGETS tev_module EXPORT tev_moduleTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT libtev-module1 NAMELINK_COMPONENT libtev-dev
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${TEV_MODULE_HEADERS} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tev COMPONENT libtev-dev)

set(TEV_MODULE_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/tev_module)
install(EXPORT tev_moduleTargets NAMESPACE tev:: DESTINATION ${TEV_MODULE_CMAKE_DIR} COMPONENT libtev-dev)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/tev_moduleConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/tev_moduleConfig.cmake
  INSTALL_DESTINATION ${TEV_MODULE_CMAKE_DIR}
  PATH_VARS CMAKE_INSTALL_LIBDIR)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/tev_moduleConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/tev_moduleConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/tev_moduleConfigVersion.cmake
        DESTINATION ${TEV_MODULE_CMAKE_DIR} COMPONENT libtev-dev)

# pkg-config: the prefix is taken from the file's own place, so a relocated install still works. A
# system package names its prefix plainly, so pkg-config prints the system's own paths (or nothing).
if(TEV_PACKAGE)
  set(TEV_MODULE_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
else()
  file(RELATIVE_PATH TEV_MODULE_PC_TO_PREFIX "/root/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/root")
  set(TEV_MODULE_PC_PREFIX "\${pcfiledir}/${TEV_MODULE_PC_TO_PREFIX}")
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/tev_module.pc.in ${CMAKE_CURRENT_BINARY_DIR}/tev_module.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/tev_module.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
  COMPONENT libtev-dev)
