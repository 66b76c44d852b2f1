# Installation layout (GNU folders under the prefix), the CMake package and
# pkg-config files for users of the library, and the Debian package.
#
#   bin/corvane                         the command-line tool
#   lib/libcorvane.so*                  the component
#   include/corvane/corvane.h           the C interface
#   share/corvane/SCHEMA/*.xsd          the schemas (share/corvane is the installation folder)
#   share/corvane/resources/*.po        the message translations
#   etc/corvane/registry.ini            names the installation folder (/etc for the prefix /usr)
#   lib/cmake/Corvane/, lib/pkgconfig/  find_package(Corvane) and pkg-config corvane
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(CORVANE_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/corvane)
set(CORVANE_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/Corvane)
set(CORVANE_INSTALL_PKGCONFIGDIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# The installed library finds the installed translations relative to its own
# folder, and the installed tool finds the installed library the same way, so
# an installation works under any prefix and after it is moved.
file(RELATIVE_PATH corvane_data_from_lib /root/${CMAKE_INSTALL_LIBDIR}
     /root/${CORVANE_INSTALL_DATADIR})
target_compile_definitions(corvane_platform_win PRIVATE
                           CORVANE_DATA_FROM_LIBRARY="${corvane_data_from_lib}")
file(RELATIVE_PATH corvane_lib_from_bin /root/${CMAKE_INSTALL_BINDIR} /root/${CMAKE_INSTALL_LIBDIR})
set_target_properties(corvane_cli corvane_service PROPERTIES INSTALL_RPATH "$ORIGIN/${corvane_lib_from_bin}")
file(RELATIVE_PATH corvane_prefix_from_pc /root/${CORVANE_INSTALL_PKGCONFIGDIR} /root)
string(REGEX REPLACE "/$" "" corvane_prefix_from_pc "${corvane_prefix_from_pc}")

# Libraries and programs; a further library of the project joins the lists.
set(CORVANE_INSTALL_LIBRARIES corvane)
set(CORVANE_INSTALL_PROGRAMS corvane_cli corvane_service)
install(TARGETS ${CORVANE_INSTALL_LIBRARIES} EXPORT CorvaneTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(TARGETS ${CORVANE_INSTALL_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The SQLite extension that opens an account in any SQLite client: loaded, not linked.
install(TARGETS corvane_sqlite LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES ${PROJECT_SOURCE_DIR}/src/capi/corvane.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/corvane)

file(GLOB corvane_schemas CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/schema/*.xsd)
file(GLOB corvane_translations CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/resources/*.po)
install(FILES ${corvane_schemas} DESTINATION ${CORVANE_INSTALL_DATADIR}/SCHEMA)
install(FILES ${corvane_translations} DESTINATION ${CORVANE_INSTALL_DATADIR}/resources)
# The web service's systemd unit.
install(FILES ${PROJECT_SOURCE_DIR}/apps/corvane-service/corvane-service.service
        DESTINATION lib/systemd/system)
# The account schema for SQL Server, for sqlcmd.
install(FILES ${PROJECT_SOURCE_DIR}/erpdb/schema_sqlserver.sql DESTINATION ${CORVANE_INSTALL_DATADIR})

# The registry file names the installation folder under the prefix given at
# install time ("cmake --install --prefix"), so it is written then. The
# component reads /etc/corvane/registry.ini, which is where it goes for the
# prefix /usr; under any other prefix $CORVANE_REGISTRY names it.
string(CONFIGURE [[
  set(corvane_etc "${CMAKE_INSTALL_PREFIX}/@CMAKE_INSTALL_SYSCONFDIR@")
  if(CMAKE_INSTALL_PREFIX MATCHES "^/usr/?$")
    set(corvane_etc "/etc")
  endif()
  set(corvane_registry "$ENV{DESTDIR}${corvane_etc}/corvane/registry.ini")
  message(STATUS "Installing: ${corvane_registry}")
  file(WRITE "${corvane_registry}"
    "; Written by the installation: the installation folder whose SCHEMA/ holds the schemas.\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\BRISQUEL\\ZUWEBSERVICE]\n"
    "path=${CMAKE_INSTALL_PREFIX}/@CORVANE_INSTALL_DATADIR@/\n")
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${corvane_registry}")
]] corvane_registry_code @ONLY)
install(CODE "${corvane_registry_code}")

# find_package(Corvane): the imported target Corvane::corvane with the folder
# that holds corvane/corvane.h.
target_include_directories(corvane INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
install(EXPORT CorvaneTargets NAMESPACE Corvane:: DESTINATION ${CORVANE_INSTALL_CMAKEDIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/CorvaneConfig.cmake.in
  ${PROJECT_BINARY_DIR}/CorvaneConfig.cmake INSTALL_DESTINATION ${CORVANE_INSTALL_CMAKEDIR} PATH_VARS CMAKE_INSTALL_INCLUDEDIR)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/CorvaneConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/CorvaneConfig.cmake ${PROJECT_BINARY_DIR}/CorvaneConfigVersion.cmake
  DESTINATION ${CORVANE_INSTALL_CMAKEDIR})

# pkg-config corvane: the prefix is found from the file's own folder.
configure_file(${PROJECT_SOURCE_DIR}/cmake/corvane.pc.in ${PROJECT_BINARY_DIR}/corvane.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/corvane.pc DESTINATION ${CORVANE_INSTALL_PKGCONFIGDIR})

# cpack -G DEB: everything above under /usr, the registry file in /etc/corvane.
set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_VENDOR "Corvane")
set(CPACK_PACKAGE_CONTACT "Corvane maintainers <corvane@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Business documents between an ERP account database and a CRM")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
# The registry file is written for the prefix the package installs under.
set(CPACK_SET_DESTDIR ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libsqlite3-0, libxml2, libodbc2, libcpp-httplib0.11")
# SQL Server accounts need an ODBC driver: FreeTDS's unless another is configured.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "tdsodbc")
file(WRITE ${PROJECT_BINARY_DIR}/debian/conffiles "/etc/corvane/registry.ini\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/debian/conffiles)
include(CPack)
