# libxlsxwriter: the release of Debian's libxlsxwriter-dev, compiled from Debian's source package
# (see ../DebianSource.cmake) as Debian builds it, on the system's minizip (here ours, from Debian's
# minizip source package) rather than its bundled copy.
if(NOT TARGET xlsxwriter::xlsxwriter)
  include(${CMAKE_CURRENT_LIST_DIR}/../DebianSource.cmake)
  thornvale_debian_source(libxlsxwriter 1.1.4 _thornvale_xlsxwriter_dir)
  include(${CMAKE_CURRENT_LIST_DIR}/../minizip/minizipConfig.cmake)

  file(GLOB _thornvale_xlsxwriter_sources ${_thornvale_xlsxwriter_dir}/src/*.c)
  if(WIN32)
    # Under MinGW these two hand file names to the C runtime, which reads UTF-8 in the ANSI code
    # page: a workbook for C:\Users\José lands under a garbled name. They do so because the bundled
    # minizip leaves out the Windows file functions for MinGW; ours has them, so the two are compiled
    # without that guard, through the wide-character calls as with Microsoft's compiler.
    foreach(_thornvale_file packager.c utility.c)
      file(READ ${_thornvale_xlsxwriter_dir}/src/${_thornvale_file} _thornvale_text)
      string(REPLACE "#ifdef __MINGW32__\n#undef _WIN32\n#endif\n" "" _thornvale_wide "${_thornvale_text}")
      if(_thornvale_wide STREQUAL _thornvale_text)
        message(FATAL_ERROR "libxlsxwriter's ${_thornvale_file} no longer has the MinGW guard this build takes out")
      endif()
      set(_thornvale_copy ${CMAKE_BINARY_DIR}/debian-source/xlsxwriter-wide/${_thornvale_file})
      set(_thornvale_old "")
      if(EXISTS ${_thornvale_copy})
        file(READ ${_thornvale_copy} _thornvale_old)
      endif()
      if(NOT _thornvale_old STREQUAL _thornvale_wide)
        file(WRITE ${_thornvale_copy} "${_thornvale_wide}")
      endif()
      list(REMOVE_ITEM _thornvale_xlsxwriter_sources ${_thornvale_xlsxwriter_dir}/src/${_thornvale_file})
      list(APPEND _thornvale_xlsxwriter_sources ${_thornvale_copy})
    endforeach()
  endif()
  # Debian takes MD5 (for images met twice) from OpenSSL; the bundled one spares us a library of
  # 4.7 MB that every start of a program would load. tmpfileplus, not the C runtime's tmpfile(), as
  # Debian builds it; on Windows msvcrt's would be made in the root of the drive, where a user who
  # is no administrator may not write.
  add_library(thornvale-xlsxwriter STATIC
    ${_thornvale_xlsxwriter_sources}
    ${_thornvale_xlsxwriter_dir}/third_party/md5/md5.c
    ${_thornvale_xlsxwriter_dir}/third_party/tmpfileplus/tmpfileplus.c)
  target_include_directories(thornvale-xlsxwriter SYSTEM PUBLIC ${_thornvale_xlsxwriter_dir}/include)
  target_link_libraries(thornvale-xlsxwriter PUBLIC minizip::minizip)
  target_compile_definitions(thornvale-xlsxwriter PRIVATE USE_SYSTEM_MINIZIP NOCRYPT NOUNCRYPT)
  if(WIN32)
      # Quietly and with the ANSI names, as for minizip.
      target_compile_options(thornvale-xlsxwriter PRIVATE -UUNICODE -U_UNICODE -w)
  endif()
  thornvale_debian_library(thornvale-xlsxwriter)
  add_library(xlsxwriter::xlsxwriter ALIAS thornvale-xlsxwriter)
endif()
set(xlsxwriter_FOUND TRUE)
