# minizip: the release of Debian's libminizip-dev, compiled from Debian's source package (see
# ../DebianSource.cmake) with the sources of Debian's library, and for Windows the Windows file
# functions as its Makefile.am adds them there.
if(NOT TARGET minizip::minizip)
  include(${CMAKE_CURRENT_LIST_DIR}/../DebianSource.cmake)
  thornvale_debian_source(minizip 1.1 _thornvale_minizip_dir)
  find_package(ZLIB REQUIRED)

  # Debian installs the headers in include/minizip and its pkg-config names that folder, so both
  # <minizip/unzip.h> and <unzip.h> work there; a copy laid out the same way makes both work here.
  set(_thornvale_minizip_include ${CMAKE_BINARY_DIR}/debian-source/minizip-include)
  foreach(_thornvale_header crypt.h ioapi.h iowin32.h mztools.h unzip.h zip.h)
    configure_file(${_thornvale_minizip_dir}/${_thornvale_header}
                   ${_thornvale_minizip_include}/minizip/${_thornvale_header} COPYONLY)
  endforeach()

  add_library(thornvale-minizip STATIC)
  target_sources(thornvale-minizip PRIVATE
    ${_thornvale_minizip_dir}/ioapi.c
    ${_thornvale_minizip_dir}/mztools.c
    ${_thornvale_minizip_dir}/unzip.c
    ${_thornvale_minizip_dir}/zip.c)
  if(WIN32)
    target_sources(thornvale-minizip PRIVATE ${_thornvale_minizip_dir}/iowin32.c)
  endif()
  target_include_directories(thornvale-minizip SYSTEM PUBLIC
    ${_thornvale_minizip_include} ${_thornvale_minizip_include}/minizip)
  target_link_libraries(thornvale-minizip PUBLIC ZLIB::ZLIB)
  # No encryption, as libxlsxwriter builds it (unzip.c leaves decryption out by itself); large
  # files through fopen64 and fseeko64, left on.
  target_compile_definitions(thornvale-minizip PRIVATE NOCRYPT)
  if(WIN32)
    # Built as a Windows build of Debian's sources would be, with the ANSI names, whatever this
    # project's own code asks of <windows.h>; and quietly: its warnings are not ours to fix.
    target_compile_options(thornvale-minizip PRIVATE -UUNICODE -U_UNICODE -w)
  endif()
  thornvale_debian_library(thornvale-minizip)
  add_library(minizip::minizip ALIAS thornvale-minizip)
endif()
set(minizip_FOUND TRUE)
