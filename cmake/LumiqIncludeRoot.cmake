# lumiq_include_root(<target> <folder> [FILES <header...>])
#
# Includes are written from the top ("net/AdapterList.h"), but a target sees
# only the folders of the libraries it links: each library publishes a root of
# its own in the build tree, ${CMAKE_BINARY_DIR}/include/<target>/, holding a
# symbolic link named like its folder (<folder> -> the source folder). An
# include of a library the target does not link then fails to compile.
# With FILES the root holds links to those headers alone, for a library that
# shares its folder with another (lumiq_netbase in net/).
# A library publishes its root PUBLIC (INTERFACE when header only); a program
# keeps it PRIVATE.
function(lumiq_include_root target folder)
  cmake_parse_arguments(R "" "" "FILES" ${ARGN})
  set(root ${CMAKE_BINARY_DIR}/include/${target})
  file(REMOVE_RECURSE ${root})
  if(R_FILES)
    file(MAKE_DIRECTORY ${root}/${folder})
    foreach(header IN LISTS R_FILES)
      file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder}/${header} ${root}/${folder}/${header} SYMBOLIC)
    endforeach()
  else()
    get_filename_component(parent ${root}/${folder} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  elseif(type STREQUAL "EXECUTABLE")
    target_include_directories(${target} PRIVATE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()
