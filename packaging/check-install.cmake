# Installs the build into a scratch prefix and checks that everything a desktop user needs lands
# where a desktop looks for it. Run by CTest with -DBUILD_DIR=... -DPREFIX=...
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed")
endif()
foreach(file
    bin/thornvale-editor
    bin/thornvale-text
    share/applications/thornvale-editor.desktop
    share/icons/hicolor/32x32/apps/thornvale-editor.png
    share/icons/hicolor/128x128/apps/thornvale-editor.png
    share/doc/thornvale-editor/sample.nes
    share/doc/thornvale-editor/README.md
    share/man/man1/thornvale-text.1.gz)
  if(NOT EXISTS ${PREFIX}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
execute_process(COMMAND ${PREFIX}/bin/thornvale-text info ${PREFIX}/share/doc/thornvale-editor/sample.nes
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the installed thornvale-text does not accept the installed sample image")
endif()
file(REMOVE_RECURSE ${PREFIX})
