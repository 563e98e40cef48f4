# Installs the build into a scratch prefix and checks that everything a desktop user and a
# distribution need lands where they look for it.
# Run by CTest with -DBUILD_DIR=... -DPREFIX=... -DAPP_ID=... -DSAMPLE=<the sample generator>
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed")
endif()
set(doc share/doc/thornvale-editor)
set(expected
    bin/thornvale-editor
    bin/thornvale-text
    share/applications/thornvale-editor.desktop
    share/metainfo/${APP_ID}.metainfo.xml
    share/man/man1/thornvale-text.1.gz
    share/man/man1/thornvale-editor.1.gz
    ${doc}/copyright
    ${doc}/changelog.gz
    ${doc}/changelog.Debian.gz
    ${doc}/README.md
    ${doc}/sample.nes
    share/lintian/overrides/thornvale-editor)
foreach(size 16 32 48 64 128 256)
  list(APPEND expected share/icons/hicolor/${size}x${size}/apps/thornvale-editor.png)
endforeach()
foreach(file IN LISTS expected)
  if(NOT EXISTS ${PREFIX}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

# Nothing else: a stray file would go into the package unseen.
file(GLOB_RECURSE installed RELATIVE ${PREFIX} ${PREFIX}/*)
list(REMOVE_ITEM installed ${expected})
if(installed)
  message(FATAL_ERROR "installed but not expected: ${installed}")
endif()

# The sample is the generator's, whatever became of the copy that the editor offers in bin/.
execute_process(COMMAND ${SAMPLE} ${PREFIX}/fresh-sample.nes RESULT_VARIABLE status OUTPUT_QUIET)
file(SHA256 ${PREFIX}/fresh-sample.nes fresh)
file(SHA256 ${PREFIX}/${doc}/sample.nes shipped)
if(NOT status EQUAL 0 OR NOT fresh STREQUAL shipped)
  message(FATAL_ERROR "the installed sample.nes is not the one thornvale-sample makes")
endif()

execute_process(COMMAND ${PREFIX}/bin/thornvale-text info ${PREFIX}/${doc}/sample.nes
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the installed thornvale-text does not accept the installed sample image")
endif()
file(REMOVE_RECURSE ${PREFIX})
