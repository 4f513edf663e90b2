# The Ansible collection tevaro.lumiq (ansible_collections/tevaro/lumiq):
# built into its release tarball by ansible-galaxy, and installed from that
# tarball (as ansible-galaxy lays a collection out, with its MANIFEST.json)
# into share/ansible/collections, where ansible-core looks for system
# collections. Without ansible-galaxy the build leaves it out, unless
# LUMIQ_ANSIBLE_COLLECTION asks for it (the Debian package does).
option(LUMIQ_ANSIBLE_COLLECTION "Build and install the Ansible collection (needs ansible-galaxy)" OFF)
find_program(LUMIQ_ANSIBLE_GALAXY ansible-galaxy)
if(NOT LUMIQ_ANSIBLE_GALAXY)
  if(LUMIQ_ANSIBLE_COLLECTION)
    message(FATAL_ERROR "LUMIQ_ANSIBLE_COLLECTION needs ansible-galaxy (Debian package ansible-core)")
  endif()
  message(STATUS "ansible-galaxy not found: the Ansible collection is not built")
  return()
endif()

set(LUMIQ_COLLECTION_SOURCE ${PROJECT_SOURCE_DIR}/ansible_collections/tevaro/lumiq)
set(LUMIQ_COLLECTION_BUILD ${PROJECT_BINARY_DIR}/ansible-collection)
file(GLOB_RECURSE LUMIQ_COLLECTION_FILES CONFIGURE_DEPENDS ${LUMIQ_COLLECTION_SOURCE}/*)
# ansible-galaxy writes nothing into the source tree: it builds from a copy.
add_custom_command(OUTPUT ${LUMIQ_COLLECTION_BUILD}/installed.stamp
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${LUMIQ_COLLECTION_BUILD}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${LUMIQ_COLLECTION_BUILD}/source
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${LUMIQ_COLLECTION_SOURCE} ${LUMIQ_COLLECTION_BUILD}/source
  COMMAND ${CMAKE_COMMAND} -E env ANSIBLE_LOCAL_TEMP=${LUMIQ_COLLECTION_BUILD}/tmp HOME=${LUMIQ_COLLECTION_BUILD}
          ${LUMIQ_ANSIBLE_GALAXY} collection build --output-path ${LUMIQ_COLLECTION_BUILD} ${LUMIQ_COLLECTION_BUILD}/source
  COMMAND ${CMAKE_COMMAND} -E env ANSIBLE_LOCAL_TEMP=${LUMIQ_COLLECTION_BUILD}/tmp HOME=${LUMIQ_COLLECTION_BUILD}
          ANSIBLE_COLLECTIONS_PATH=${LUMIQ_COLLECTION_BUILD}/installed
          ${LUMIQ_ANSIBLE_GALAXY} collection install --offline --no-deps
          -p ${LUMIQ_COLLECTION_BUILD}/installed ${LUMIQ_COLLECTION_BUILD}/tevaro-lumiq-${PROJECT_VERSION}.0.tar.gz
  COMMAND ${CMAKE_COMMAND} -E touch ${LUMIQ_COLLECTION_BUILD}/installed.stamp
  DEPENDS ${LUMIQ_COLLECTION_FILES}
  COMMENT "Building the Ansible collection tevaro.lumiq"
  VERBATIM)
add_custom_target(lumiq_ansible_collection ALL DEPENDS ${LUMIQ_COLLECTION_BUILD}/installed.stamp)
install(DIRECTORY ${LUMIQ_COLLECTION_BUILD}/installed/ansible_collections
        DESTINATION ${CMAKE_INSTALL_DATADIR}/ansible/collections)
