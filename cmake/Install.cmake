# `cmake --install` puts the shared library, the C++ location library
# (libmeshaudit-cpp.a), the public headers, a pkg-config
# file and a CMake package (find_package(meshaudit)) under the prefix; the
# command, when built, installs itself (cli/CMakeLists.txt).
include(CMakePackageConfigHelpers)

install(TARGETS meshaudit meshaudit_cpp EXPORT meshauditTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/meshaudit.h ${PROJECT_SOURCE_DIR}/include/meshaudit.hpp
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

install(EXPORT meshauditTargets NAMESPACE meshaudit::
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/meshaudit)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/meshauditConfig.cmake.in
  ${PROJECT_BINARY_DIR}/meshauditConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/meshaudit)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/meshauditConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/meshauditConfig.cmake
              ${PROJECT_BINARY_DIR}/meshauditConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/meshaudit)

# The pkg-config file finds the prefix relative to itself, so that it stays
# right for `cmake --install --prefix` and for a prefix moved as a whole.
file(RELATIVE_PATH MESHAUDIT_PC_TO_PREFIX "/p/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/p")
configure_file(${PROJECT_SOURCE_DIR}/cmake/meshaudit.pc.in ${PROJECT_BINARY_DIR}/meshaudit.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/meshaudit.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
