# Installs the build into WORK_DIR with DESTDIR under the prefix /usr and checks the tree: every
# file is there, the icons have the size their folder names, the entry and the metadata name
# the same id and program, and both pass their validators where these are installed; the
# installed type database tells a vault made by cofferix-cli by its signature.
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
             share/metainfo/${APP_ID}.metainfo.xml share/mime/packages/${APP_ID}.xml
             share/icons/hicolor/scalable/apps/${APP_ID}.svg
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

# The entry starts an installed program with the file it is given and shows the installed
# icon; the metadata launches the entry.
file(STRINGS ${root}/share/applications/${APP_ID}.desktop entry)
if(NOT "Icon=${APP_ID}" IN_LIST entry OR NOT "Exec=cofferix %f" IN_LIST entry OR
   NOT "MimeType=application/x-cofferix-vault;" IN_LIST entry)
    message(FATAL_ERROR "the desktop entry does not name the icon ${APP_ID}, the program "
                        "with its file and the vault's type")
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
    # Save one hint: that Security may go with Settings or System. Either would be a second
    # main category beside Utility, and the entry would show twice in the menu, which the
    # validator hints at in turn.
    string(REGEX REPLACE "[^\n]*: hint: value item \"Security\" in key \"Categories\"[^\n]*\n?"
                         "" output "${output}")
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

# The type database built from the installed type alone (in a data folder of its own) names a
# format-2 vault by its signature, under any name, and claims no other file named *.dat.
find_program(UPDATE_MIME_DATABASE update-mime-database)
find_program(GIO gio)
if(UPDATE_MIME_DATABASE AND GIO)
    set(data ${WORK_DIR}/xdg-data)
    file(COPY ${root}/share/mime/packages/${APP_ID}.xml DESTINATION ${data}/mime/packages)
    execute_process(COMMAND ${UPDATE_MIME_DATABASE} ${data}/mime RESULT_VARIABLE failed)
    file(WRITE ${WORK_DIR}/passwords "type-check-1\ntype-check-1\n")
    execute_process(COMMAND ${root}/bin/cofferix-cli create ${WORK_DIR}/vault --password-stdin
                    INPUT_FILE ${WORK_DIR}/passwords RESULT_VARIABLE created OUTPUT_QUIET)
    if(failed OR created)
        message(FATAL_ERROR "update-mime-database (${failed}) or cofferix-cli create (${created})")
    endif()
    file(COPY_FILE ${WORK_DIR}/vault ${WORK_DIR}/vault.dat)
    file(WRITE ${WORK_DIR}/other "not a vault")
    file(WRITE ${WORK_DIR}/other.dat "not a vault either")
    foreach(check "vault;application/x-cofferix-vault" "vault.dat;application/x-cofferix-vault"
                  "other;!application/x-cofferix-vault" "other.dat;!application/x-cofferix-vault")
        list(GET check 0 name)
        list(GET check 1 wanted)
        execute_process(COMMAND ${CMAKE_COMMAND} -E env XDG_DATA_HOME=${data}
                                XDG_DATA_DIRS=/usr/share ${GIO} info -a standard::content-type
                                ${WORK_DIR}/${name}
                        OUTPUT_VARIABLE output ERROR_QUIET)
        string(REGEX MATCH "standard::content-type: ([^\n]*)" found "${output}")
        set(type "${CMAKE_MATCH_1}")
        if((wanted MATCHES "^!" AND "!${type}" STREQUAL wanted) OR
           (NOT wanted MATCHES "^!" AND NOT type STREQUAL wanted))
            message(FATAL_ERROR "gio info gives ${name} the type \"${type}\", not ${wanted}")
        endif()
    endforeach()
else()
    list(APPEND skipped update-mime-database/gio)
endif()

message(STATUS "installed tree complete: ${root}")
if(skipped)
    message(STATUS "SKIPPED: not installed, so not validated by: ${skipped} "
                   "(Debian packages desktop-file-utils, appstream, shared-mime-info, "
                   "libglib2.0-bin)")
endif()
