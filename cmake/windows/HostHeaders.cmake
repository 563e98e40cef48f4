# Exposes one folder of the host's /usr/include to the cross compiler, and nothing else of it:
# a link to it in a folder of the build's own.
function(thornvale_host_headers target folder)
  set(root ${CMAKE_BINARY_DIR}/host-headers/${folder})
  if(NOT EXISTS ${root}/${folder})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK /usr/include/${folder} ${root}/${folder} SYMBOLIC)
  endif()
  add_library(${target} INTERFACE IMPORTED)
  set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${root})
endfunction()
