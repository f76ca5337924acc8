# Fails when a file under src/ includes a header of a layer it must not see: layers depend
# downwards only, and the Qt-free layers include no Qt header at all.
#
#   base < vault < generator (src/dialogs, the files of its CoreSources.txt) < cli
#   base < vault < interop (other managers' files, merging) < cli
#   base < vault < generator < health (the password health report) < cli
#   base < vault < common (Qt) < tray < dialogs (Qt) < app;  the dialogs also see the generator,
#   interop and health
#
# Run as a script: cmake -DROOT=<source folder> [-DSTAMP=<file touched when clean>] -P this.

set(sees_base base)
set(sees_vault base vault)
set(sees_generator base vault generator)
set(sees_interop base vault interop)
set(sees_health base vault generator health)
set(sees_cli base vault generator interop health cli)
set(sees_common base vault common)
set(sees_tray base vault common tray)
set(sees_dialogs base vault common tray generator interop health dialogs)
set(sees_app base vault common tray generator interop health dialogs app)
set(qt_free base vault generator interop health cli)

file(STRINGS ${ROOT}/src/dialogs/CoreSources.txt generator_sources)
set(generator_names "")
foreach(source ${generator_sources})
    get_filename_component(name ${source} NAME_WE)
    list(APPEND generator_names ${name})
endforeach()

# The layer of a path relative to src/ ("dialogs/PasswordTools.h"), or "" for none of ours.
function(layer_of relative result)
    set(layer "")
    if(relative MATCHES "^common/tray/")
        set(layer tray)
    elseif(relative MATCHES "^dialogs/([A-Za-z0-9_]+)\\.(h|cpp)$")
        list(FIND generator_names ${CMAKE_MATCH_1} index)
        if(index GREATER -1)
            set(layer generator)
        else()
            set(layer dialogs)
        endif()
    elseif(relative MATCHES "^(base|vault|interop|health|cli|common|app)/")
        set(layer ${CMAKE_MATCH_1})
    endif()
    set(${result} "${layer}" PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE files RELATIVE ${ROOT}/src ${ROOT}/src/*.h ${ROOT}/src/*.cpp)
set(bad "")
foreach(file ${files})
    layer_of(${file} layer)
    if("${layer}" STREQUAL "")
        list(APPEND bad "src/${file}: lies in no layer")
        continue()
    endif()
    file(STRINGS ${ROOT}/src/${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line ${includes})
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]*)[>\"].*" "\\1" header
                             "${line}")
        list(FIND qt_free ${layer} no_qt)
        if(no_qt GREATER -1 AND header MATCHES "^(Q[A-Za-z]|qt)")
            list(APPEND bad "src/${file} (${layer}, no Qt) includes <${header}>")
            continue()
        endif()
        layer_of(${header} target)
        if("${target}" STREQUAL "")
            continue()
        endif()
        list(FIND sees_${layer} ${target} allowed)
        if(allowed EQUAL -1)
            list(APPEND bad "src/${file} (${layer}) includes ${header} (${target})")
        endif()
    endforeach()
endforeach()

if(bad)
    list(JOIN bad "\n  " text)
    message(FATAL_ERROR "Includes against the layer order:\n  ${text}")
endif()
if(STAMP)
    file(TOUCH ${STAMP})
endif()
