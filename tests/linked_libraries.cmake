# Fails when PROGRAM names at its start a shared library outside ALLOWED (a regular expression of
# file names): every command would load it, whether it uses it or not.
#   cmake -DPROGRAM=file -DALLOWED=regex -P linked_libraries.cmake
execute_process(COMMAND readelf --dynamic --wide ${PROGRAM}
                OUTPUT_VARIABLE dynamic COMMAND_ERROR_IS_FATAL ANY)
string(REGEX MATCHALL "\\(NEEDED\\)[^\n]*\\[[^]\n]+\\]" needed "${dynamic}")
if(NOT needed)
  message(FATAL_ERROR "readelf lists no library that ${PROGRAM} needs")
endif()
set(unexpected)
foreach(entry IN LISTS needed)
  string(REGEX REPLACE ".*\\[([^]]+)\\]$" "\\1" library "${entry}")
  if(NOT library MATCHES "^(${ALLOWED})$")
    list(APPEND unexpected ${library})
  endif()
endforeach()
if(unexpected)
  message(FATAL_ERROR "${PROGRAM} loads at every start: ${unexpected}")
endif()
