# What an installation adds beside the programs and the catalogs, and the
# Debian package built from it by CPack (packaging/build-deb.sh).
#
# Installed tree (prefix /usr for the package):
#   bin/lumiq-config, bin/lumiq-sim, bin/lumiq
#   share/man/man1/lumiq.1.gz, share/bash-completion/completions/lumiq
#   share/lumiq-config/lumiq-output.schema.json   the schema of lumiq --json
#       (these three and lumiq itself: cli/CMakeLists.txt)
#   share/locale/<language>/LC_MESSAGES/cport.mo
#   share/applications/lumiq-config.desktop
#   share/icons/hicolor/scalable/apps/lumiq-config.svg
#   share/lumiq-config/example-modules.ini   modules for lumiq-sim; the folder
#       also tells lumiq-config that it runs installed (state/SettingsFile.cpp)
#   share/man/man1/lumiq-config.1.gz, share/man/man1/lumiq-sim.1.gz
#   share/lumiq-config/netbed   the private test network that lumiq-sim's UDP
#       side runs in (scripts/netbed; it finds lumiq-sim on PATH)
#   share/doc/lumiq-config/README.md, copyright, changelog.Debian.gz
#   lib/systemd/system/lumiq-audit.service, lumiq-audit.timer   the scheduled
#       audit, not enabled; share/lumiq-config/audit.conf.example its settings
#   share/ansible/collections/ansible_collections/tevaro/lumiq   the Ansible
#       collection, where ansible-core finds system collections
#       (cmake/AnsibleCollection.cmake; only where ansible-galaxy is found)
#   lib/<multiarch>/wireshark/plugins/lumiq.lua   the module protocol's
#       dissector, in the folder where Debian's Wireshark and tshark load
#       Lua plugins (tshark -G folders: "Global Lua Plugins")

install(FILES ${PROJECT_SOURCE_DIR}/packaging/lumiq-config.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/lumiq-config.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/sim/example-modules.ini
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lumiq-config)
install(FILES ${PROJECT_SOURCE_DIR}/README.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/wireshark/lumiq.lua
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/wireshark/plugins)

set(LUMIQ_PACKAGE_MAINTAINER "Lumiq tools team <lumiq-tools@tevaro.com>"
    CACHE STRING "Maintainer named in the Debian package")
# The program calls itself V1.14; packages count builds of it in the third part.
set(LUMIQ_PACKAGE_PATCH 0 CACHE STRING "Third part of the package version")
set(LUMIQ_PACKAGE_RELEASE 1)
set(LUMIQ_DEBIAN_VERSION
    "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${LUMIQ_PACKAGE_PATCH}-${LUMIQ_PACKAGE_RELEASE}")

install(PROGRAMS ${PROJECT_SOURCE_DIR}/scripts/netbed DESTINATION ${CMAKE_INSTALL_DATADIR}/lumiq-config)

# The scheduled audit: a service and its timer, installed and not enabled,
# and the example of the configuration it reads from /etc/lumiq-config.
set(LUMIQ_PROGRAM ${CMAKE_INSTALL_FULL_BINDIR}/lumiq)
configure_file(${PROJECT_SOURCE_DIR}/packaging/systemd/lumiq-audit.service
               ${PROJECT_BINARY_DIR}/packaging/lumiq-audit.service @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/packaging/lumiq-audit.service
              ${PROJECT_SOURCE_DIR}/packaging/systemd/lumiq-audit.timer
        DESTINATION lib/systemd/system)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/systemd/audit.conf.example
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lumiq-config)
include(${PROJECT_SOURCE_DIR}/cmake/AnsibleCollection.cmake)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Man pages and the changelog go compressed, as Debian keeps them; -n leaves
# the time stamp out so that the same sources give the same package.
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.Debian.in
               ${PROJECT_BINARY_DIR}/packaging/changelog.Debian @ONLY)
set(LUMIQ_COMPRESSED_DOCS)
foreach(source packaging/man/lumiq-config.1 packaging/man/lumiq-sim.1
               ${PROJECT_BINARY_DIR}/packaging/changelog.Debian)
  get_filename_component(name ${source} NAME)
  get_filename_component(source ${source} ABSOLUTE BASE_DIR ${PROJECT_SOURCE_DIR})
  set(compressed ${PROJECT_BINARY_DIR}/packaging/${name}.gz)
  add_custom_command(OUTPUT ${compressed}
    COMMAND gzip -9 -n -c ${source} > ${compressed}
    DEPENDS ${source}
    COMMENT "Compressing ${name}")
  list(APPEND LUMIQ_COMPRESSED_DOCS ${compressed})
endforeach()
add_custom_target(lumiq_packaged_docs ALL DEPENDS ${LUMIQ_COMPRESSED_DOCS})
install(FILES ${PROJECT_BINARY_DIR}/packaging/lumiq-config.1.gz ${PROJECT_BINARY_DIR}/packaging/lumiq-sim.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumiq-config)
set(CPACK_PACKAGE_VENDOR "Tevaro-Team")
set(CPACK_PACKAGE_VERSION_MAJOR ${PROJECT_VERSION_MAJOR})
set(CPACK_PACKAGE_VERSION_MINOR ${PROJECT_VERSION_MINOR})
set(CPACK_PACKAGE_VERSION_PATCH ${LUMIQ_PACKAGE_PATCH})
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${LUMIQ_PACKAGE_PATCH}")
set(CPACK_PACKAGE_CONTACT "${LUMIQ_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration tool for Lumiq serial-to-Ethernet modules")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "lumiq-config finds Lumiq serial-to-Ethernet converter modules on the local\n"
  "network by UDP broadcast and reads and writes their parameters (work mode,\n"
  "addresses, ports, MAC address, DHCP, device name, UART settings), over the\n"
  "network or through a serial port wired to a module. A prepared set of\n"
  "parameters can be kept in CFG.ini.\n"
  "\n"
  "The command lumiq does the same from the command line, for many modules at\n"
  "once on every network adapter, with table, JSON and CSV output for scripts.\n"
  "\n"
  "The package also holds lumiq-sim, a simulator of such modules for training\n"
  "and for testing a set-up without hardware.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${LUMIQ_PACKAGE_RELEASE})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${LUMIQ_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.tevaro.com/lumiq")
# The libraries from the binaries themselves (dpkg-shlibdeps, from dpkg-dev);
# the font because without a CJK font the whole window shows boxes.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wqy-microhei, qt6-translations-l10n") # and Qt's dialogs in Chinese
# lumiq's completion is read by bash-completion; the collection by
# ansible-core; the audit's metrics by the node exporter.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "bash-completion, ansible-core, prometheus-node-exporter")
# netbed builds its network with ip; lumiq support-bundle lists ip's adapters.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "iproute2")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
