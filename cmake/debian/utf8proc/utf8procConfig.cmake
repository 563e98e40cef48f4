# utf8proc: the same release as Debian's libutf8proc-dev, compiled from Debian's source package
# (see ../DebianSource.cmake).
if(NOT TARGET utf8proc::utf8proc)
  include(${CMAKE_CURRENT_LIST_DIR}/../DebianSource.cmake)
  thornvale_debian_source(utf8proc 2.8.0 _thornvale_utf8proc_dir)
  add_library(thornvale-utf8proc STATIC ${_thornvale_utf8proc_dir}/utf8proc.c)
  target_include_directories(thornvale-utf8proc SYSTEM PUBLIC ${_thornvale_utf8proc_dir})
  # Without it the header declares the functions as imported from a DLL.
  target_compile_definitions(thornvale-utf8proc PUBLIC UTF8PROC_STATIC)
  thornvale_debian_library(thornvale-utf8proc)
  add_library(utf8proc::utf8proc ALIAS thornvale-utf8proc)
endif()
set(utf8proc_FOUND TRUE)
