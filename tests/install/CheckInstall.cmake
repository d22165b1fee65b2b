# cmake -DBUILD_DIR=<build> -DAPP_ID=<desktop id> -DPREFIX=<folder to install into> -P CheckInstall.cmake

foreach(tool desktop-file-validate appstreamcli man)
  find_program(_${tool} ${tool})
  if(NOT _${tool})
    # The test's SKIP_REGULAR_EXPRESSION marks it skipped.
    message("SKIP: ${tool} is not installed (packages desktop-file-utils, appstream, man-db)")
    return()
  endif()
endforeach()

file(REMOVE_RECURSE ${PREFIX})
# As the README says to install: stripped of the debugging symbols the build keeps.
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --strip --prefix ${PREFIX} RESULT_VARIABLE rc
                OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${rc})")
endif()

set(desktop ${PREFIX}/share/applications/${APP_ID}.desktop)
set(metainfo ${PREFIX}/share/metainfo/${APP_ID}.metainfo.xml)
set(manpage ${PREFIX}/share/man/man1/paperharvest.1)
set(icons ${PREFIX}/share/icons/hicolor)
foreach(f ${PREFIX}/bin/paperharvest ${desktop} ${metainfo} ${manpage} ${icons}/scalable/apps/paperharvest.svg)
  if(NOT EXISTS ${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()

file(SIZE ${BUILD_DIR}/src/paperharvest built)
file(SIZE ${PREFIX}/bin/paperharvest installed)
if(NOT installed LESS built)
  message(FATAL_ERROR "the installed program is not stripped (${installed} bytes, built ${built})")
endif()

# A PNG's width and height are the two big-endian words after the IHDR tag.
foreach(size 48 128 256)
  set(png ${icons}/${size}x${size}/apps/paperharvest.png)
  if(NOT EXISTS ${png})
    message(FATAL_ERROR "not installed: ${png}")
  endif()
  file(READ ${png} header LIMIT 24 HEX)
  string(SUBSTRING "${header}" 32 16 dims)
  math(EXPR want "${size}" OUTPUT_FORMAT HEXADECIMAL)
  string(REPLACE "0x" "" want "${want}")
  string(LENGTH "${want}" len)
  math(EXPR pad "8 - ${len}")
  string(REPEAT "0" ${pad} zeros)
  set(want "${zeros}${want}")
  if(NOT dims STREQUAL "${want}${want}")
    message(FATAL_ERROR "${png}: not ${size}x${size} (IHDR ${dims})")
  endif()
endforeach()

# Hints count: a desktop entry the validator has anything to say about is not clean.
execute_process(COMMAND ${_desktop-file-validate} ${desktop} RESULT_VARIABLE rc OUTPUT_VARIABLE out
                ERROR_VARIABLE out)
if(NOT rc EQUAL 0 OR NOT out STREQUAL "")
  message(FATAL_ERROR "desktop-file-validate (${rc}):\n${out}")
endif()

execute_process(COMMAND ${_appstreamcli} validate --no-net ${metainfo} RESULT_VARIABLE rc OUTPUT_VARIABLE out
                ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "appstreamcli validate (${rc}):\n${out}")
endif()

# The page has Chinese in it: format it as a UTF-8 terminal would.
execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C.UTF-8 MANWIDTH=80 ${_man} --warnings -l ${manpage}
                RESULT_VARIABLE rc OUTPUT_VARIABLE page ERROR_VARIABLE warnings)
if(NOT rc EQUAL 0 OR NOT warnings STREQUAL "")
  message(FATAL_ERROR "man --warnings (${rc}):\n${warnings}")
endif()

# The page documents every option and exit status the installed program's batch mode knows.
execute_process(COMMAND ${PREFIX}/bin/paperharvest batch --help RESULT_VARIABLE rc OUTPUT_VARIABLE help
                ERROR_VARIABLE help)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "paperharvest batch --help (${rc}):\n${help}")
endif()
file(READ ${manpage} source)
string(REGEX MATCHALL "--[a-z][a-z-]*" options "${help}")
list(REMOVE_DUPLICATES options)
foreach(option ${options})
  string(REPLACE "-" "\\-" roff "${option}")
  string(FIND "${source}" "${roff}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the man page does not describe ${option}")
  endif()
endforeach()
string(REGEX MATCH "Exit status:\n.*" statuses "${help}")
string(REGEX MATCHALL "\n  [0-9]+ " codes "${statuses}")
if(NOT codes)
  message(FATAL_ERROR "no exit statuses in paperharvest batch --help")
endif()
string(FIND "${source}" ".SH EXIT STATUS" exitSection)
string(SUBSTRING "${source}" ${exitSection} -1 exitText)
foreach(code ${codes})
  string(STRIP "${code}" code)
  string(FIND "${exitText}" ".B ${code}\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the man page's EXIT STATUS does not describe ${code}")
  endif()
endforeach()
message(STATUS "installed and validated: ${options}")
