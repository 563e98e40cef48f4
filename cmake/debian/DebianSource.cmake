# The libraries that are no header-only ones are compiled into the programs from Debian's source
# packages of the releases their -dev packages are on Debian 12, on Linux as for Windows: so no
# command pays at its start for a library only the workbook or XLIFF use, and libxlsxwriter needs
# no OpenSSL for its MD5. scripts/fetch-debian-source fetches each once into the build folder,
# through a private source list: the machine's apt configuration stays as it is.
include_guard(GLOBAL)

# Sets OUT_VAR to the unpacked sources of Debian's source package PACKAGE at upstream VERSION.
function(thornvale_debian_source package version out_var)
  execute_process(
    COMMAND ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../../scripts/fetch-debian-source
            ${CMAKE_BINARY_DIR}/debian-source ${package} ${version}
    OUTPUT_VARIABLE dir OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "Could not fetch Debian's source package ${package} ${version} (scripts/fetch-debian-source)")
  endif()
  set(${out_var} ${dir} PARENT_SCOPE)
endfunction()

# On Linux, compiles TARGET, a library of those sources, quietly (their warnings are not ours to
# fix) and with the build folder's name left out of the file names their error messages carry, so
# that the Debian package is the same from any build folder. (The Windows build sets its own.)
function(thornvale_debian_library target)
  if(NOT WIN32)
    target_compile_options(${target} PRIVATE -w -ffile-prefix-map=${CMAKE_BINARY_DIR}/debian-source/=)
  endif()
endfunction()

# Sets OUT_VAR to NAME=COPYRIGHT for each source package fetched into the build folder: the notices
# that go along with the programs that carry them.
function(thornvale_debian_notices out_var)
  file(GLOB sources LIST_DIRECTORIES true ${CMAKE_BINARY_DIR}/debian-source/*)
  set(notices)
  foreach(source IN LISTS sources)
    if(EXISTS ${source}/debian/copyright)
      get_filename_component(name ${source} NAME)
      list(APPEND notices "${name}=${source}/debian/copyright")
    endif()
  endforeach()
  set(${out_var} ${notices} PARENT_SCOPE)
endfunction()
