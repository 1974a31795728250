# Installs the systemd unit of the server page and its settings file. Runs at
# install time, when CMAKE_INSTALL_PREFIX is the prefix the files go under
# (that of cmake --install, or /usr in the Debian package), so that the unit
# names the server where it really is.
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  set(sysconfdir "/etc")  # where GNUInstallDirs puts it for /usr
else()
  set(sysconfdir "${CMAKE_INSTALL_PREFIX}/etc")
endif()
set(VENDORCENTER_DEFAULTS_FILE "${sysconfdir}/default/vendorcenter-server")
set(VENDORCENTER_SERVER_BINARY "${CMAKE_INSTALL_PREFIX}/${VENDORCENTER_BINDIR}/vendorcenter-server")
configure_file("${VENDORCENTER_PACKAGING_DIR}/vendorcenter-server.service.in"
  "${VENDORCENTER_STAGING_DIR}/vendorcenter-server.service" @ONLY)
file(INSTALL "${VENDORCENTER_STAGING_DIR}/vendorcenter-server.service"
  DESTINATION "${CMAKE_INSTALL_PREFIX}/lib/systemd/system")
# Root's alone to change, and no one else's to read: it may name secrets.
file(INSTALL "${VENDORCENTER_PACKAGING_DIR}/vendorcenter-server.default"
  DESTINATION "${sysconfdir}/default" RENAME vendorcenter-server
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ)
