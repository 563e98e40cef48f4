# pugixml: the same release as Debian's libpugixml-dev, compiled from Debian's source package
# (see ../DebianSource.cmake).
if(NOT TARGET pugixml::pugixml)
  include(${CMAKE_CURRENT_LIST_DIR}/../DebianSource.cmake)
  thornvale_debian_source(pugixml 1.13 _thornvale_pugixml_dir)
  add_library(thornvale-pugixml STATIC ${_thornvale_pugixml_dir}/src/pugixml.cpp)
  target_include_directories(thornvale-pugixml SYSTEM PUBLIC ${_thornvale_pugixml_dir}/src)
  thornvale_debian_library(thornvale-pugixml)
  add_library(pugixml::pugixml ALIAS thornvale-pugixml)
endif()
set(pugixml_FOUND TRUE)
