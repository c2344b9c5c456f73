# Installation layout (FHS) and the Debian package of `make package`.
#
# Paths that depend on the prefix are decided when installing, so that a
# plain `cmake --install` (prefix /usr/local by default) and the package
# (prefix /usr, configuration in /etc) both get a consistent layout.
include(GNUInstallDirs)

install(TARGETS quor2 RUNTIME DESTINATION ${CMAKE_INSTALL_SBINDIR})
if(TARGET quor2-client)
  install(TARGETS quor2-client RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES packaging/man/quor2.8 DESTINATION ${CMAKE_INSTALL_MANDIR}/man8)
install(FILES packaging/man/quor.ini.5 DESTINATION ${CMAKE_INSTALL_MANDIR}/man5)
if(EXISTS ${CMAKE_SOURCE_DIR}/packaging/man/quor2-client.1)
  install(FILES packaging/man/quor2-client.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
install(FILES packaging/quor.ini DESTINATION ${CMAKE_INSTALL_DATADIR}/quor2)
install(FILES packaging/quor.ini packaging/quor2.logrotate
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
install(DIRECTORY packaging/checks.d DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples
        FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

install(CODE "set(quor2_source \"${CMAKE_SOURCE_DIR}\")")
install(CODE [[
  if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
    set(QUOR2_ETC "/etc/quor2")
  else()
    set(QUOR2_ETC "${CMAKE_INSTALL_PREFIX}/etc/quor2")
  endif()
  set(QUOR2_SBIN "${CMAKE_INSTALL_PREFIX}/sbin")
  configure_file("${quor2_source}/packaging/quor2.service.in"
                 "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/lib/systemd/system/quor2.service" @ONLY)
]])

# A plain install also puts the example configuration in place, with a
# random password for "monitor", but never over an existing one. The package
# does the same in its postinst script.
install(CODE [[
  set(config "$ENV{DESTDIR}${QUOR2_ETC}/quor.ini")
  if(EXISTS "${config}")
    message(STATUS "Keeping existing configuration: ${config}")
  else()
    file(READ /dev/urandom password LIMIT 18 HEX)
    file(READ "${quor2_source}/packaging/quor.ini" text)
    string(REPLACE ";monitor = change-me" "monitor = ${password}" text "${text}")
    string(REPLACE "keyFolder = /etc/quor2" "keyFolder = ${QUOR2_ETC}" text "${text}")
    # Private before the password goes in.
    get_filename_component(folder "${config}" DIRECTORY)
    file(MAKE_DIRECTORY "${folder}")
    file(TOUCH "${config}")
    file(CHMOD "${config}" PERMISSIONS OWNER_READ OWNER_WRITE)
    file(APPEND "${config}" "${text}")
    message(STATUS "Installing: ${config} (user monitor, random password)")
  endif()
  # Host keys beside it, RSA for old clients and Ed25519 for today's.
  find_program(ssh_keygen ssh-keygen)
  foreach(type rsa ed25519)
    set(key "$ENV{DESTDIR}${QUOR2_ETC}/ssh_host_${type}_key")
    if(ssh_keygen AND NOT EXISTS "${key}")
      execute_process(COMMAND "${ssh_keygen}" -q -t ${type} -N "" -C quor2 -f "${key}"
                      RESULT_VARIABLE failed)
      if(failed)
        message(WARNING "ssh-keygen could not write ${key}")
      endif()
    endif()
  endforeach()
]] COMPONENT config)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quor2)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "quor2 developers <quor2@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "monitoring agent answering a monitoring server over SSH")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The package creates its configuration in postinst, not from the "config" component.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};quor2;Unspecified;/")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "openssh-client, procps, iputils-ping, passwd")
# The plugins that the examples of own checks run.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "monitoring-plugins-basic")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_SOURCE_DIR}/packaging/debian/postinst
    ${CMAKE_SOURCE_DIR}/packaging/debian/prerm
    ${CMAKE_SOURCE_DIR}/packaging/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
