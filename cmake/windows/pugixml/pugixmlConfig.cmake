# pugixml for the Windows cross build: the same release as Debian's libpugixml-dev, compiled from
# Debian's source package, which scripts/fetch-pugixml-source fetches once into the build folder
# through a private source list (the machine's apt configuration stays as it is).
if(NOT TARGET pugixml::pugixml)
  set(_thornvale_pugixml_root ${CMAKE_BINARY_DIR}/pugixml-source)
  execute_process(
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/../../../scripts/fetch-pugixml-source ${_thornvale_pugixml_root}
    OUTPUT_VARIABLE _thornvale_pugixml_dir OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE _thornvale_pugixml_result)
  if(NOT _thornvale_pugixml_result EQUAL 0)
    message(FATAL_ERROR "Could not fetch pugixml's source package (scripts/fetch-pugixml-source)")
  endif()
  add_library(thornvale-pugixml STATIC ${_thornvale_pugixml_dir}/src/pugixml.cpp)
  target_include_directories(thornvale-pugixml SYSTEM PUBLIC ${_thornvale_pugixml_dir}/src)
  add_library(pugixml::pugixml ALIAS thornvale-pugixml)
  set(pugixml_FOUND TRUE)
endif()
