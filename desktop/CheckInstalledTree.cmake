# Installs the build into WORK_DIR with DESTDIR under the prefix /usr and checks the tree: every
# file is there, the icons have the size their folder names, the entry and the metadata name
# the same id and program, and both pass their validators where these are installed.
# cmake -DBUILD_DIR=... -DWORK_DIR=... -DAPP_ID=... -DICON_SIZES="16;..." -P CheckInstalledTree.cmake
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE ${WORK_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${WORK_DIR}
                        ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix /usr
                RESULT_VARIABLE failed OUTPUT_QUIET)
if(failed)
    message(FATAL_ERROR "cmake --install failed")
endif()
set(root ${WORK_DIR}/usr)

set(expected bin/cofferix bin/cofferix-cli share/applications/${APP_ID}.desktop
             share/metainfo/${APP_ID}.metainfo.xml share/icons/hicolor/scalable/apps/${APP_ID}.svg
             share/man/man1/cofferix.1 share/man/man1/cofferix-cli.1
             share/doc/cofferix/copyright)
foreach(size ${ICON_SIZES})
    list(APPEND expected share/icons/hicolor/${size}x${size}/apps/${APP_ID}.png)
endforeach()
foreach(name ${expected})
    if(NOT EXISTS ${root}/${name})
        message(FATAL_ERROR "missing from the installed tree: /usr/${name}")
    endif()
endforeach()
# The installed programs run (with no display: these options end before any window).
foreach(program cofferix cofferix-cli)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
                            ${root}/bin/${program} --version
                    RESULT_VARIABLE failed OUTPUT_QUIET ERROR_QUIET)
    if(failed)
        message(FATAL_ERROR "/usr/bin/${program} --version failed: ${failed}")
    endif()
endforeach()

# A PNG's width and height are the two big-endian words after its 16-byte signature and
# chunk header.
foreach(size ${ICON_SIZES})
    file(READ ${root}/share/icons/hicolor/${size}x${size}/apps/${APP_ID}.png header
         OFFSET 16 LIMIT 8 HEX)
    math(EXPR expected_words "(${size} << 32) | ${size}" OUTPUT_FORMAT HEXADECIMAL)
    string(REGEX REPLACE "^0x" "" expected_words "${expected_words}")
    string(LENGTH "${expected_words}" digits)
    math(EXPR padding "16 - ${digits}")
    string(REPEAT "0" ${padding} zeros)
    if(NOT header STREQUAL "${zeros}${expected_words}")
        message(FATAL_ERROR "the ${size}x${size} icon is not ${size} by ${size} pixels (${header})")
    endif()
endforeach()
file(READ ${root}/share/icons/hicolor/scalable/apps/${APP_ID}.svg svg)
if(NOT svg MATCHES "<svg [^>]*viewBox=")
    message(FATAL_ERROR "the scalable icon is not an SVG picture")
endif()

# The entry starts an installed program and shows the installed icon; the metadata launches
# the entry.
file(STRINGS ${root}/share/applications/${APP_ID}.desktop entry)
if(NOT "Icon=${APP_ID}" IN_LIST entry OR NOT "Exec=cofferix" IN_LIST entry)
    message(FATAL_ERROR "the desktop entry does not name the icon ${APP_ID} and the program")
endif()
file(READ ${root}/share/metainfo/${APP_ID}.metainfo.xml metainfo)
if(NOT metainfo MATCHES "<id>${APP_ID}</id>" OR
   NOT metainfo MATCHES "<launchable type=\"desktop-id\">${APP_ID}.desktop</launchable>")
    message(FATAL_ERROR "the metadata does not carry the id ${APP_ID} and its entry")
endif()

# The validators: any message at all (an error, a warning or a hint) fails.
set(skipped "")
find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
if(DESKTOP_FILE_VALIDATE)
    execute_process(COMMAND ${DESKTOP_FILE_VALIDATE} ${root}/share/applications/${APP_ID}.desktop
                    RESULT_VARIABLE failed OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(failed OR NOT output STREQUAL "")
        message(FATAL_ERROR "desktop-file-validate:\n${output}")
    endif()
else()
    list(APPEND skipped desktop-file-validate)
endif()
find_program(APPSTREAMCLI appstreamcli)
if(APPSTREAMCLI)
    execute_process(COMMAND ${APPSTREAMCLI} validate --no-net
                            ${root}/share/metainfo/${APP_ID}.metainfo.xml
                    RESULT_VARIABLE failed OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(failed OR output MATCHES "(^|\n)[EWI]:")
        message(FATAL_ERROR "appstreamcli validate:\n${output}")
    endif()
else()
    list(APPEND skipped appstreamcli)
endif()

message(STATUS "installed tree complete: ${root}")
if(skipped)
    message(STATUS "SKIPPED: not installed, so not validated by: ${skipped} "
                   "(Debian packages desktop-file-utils, appstream)")
endif()
