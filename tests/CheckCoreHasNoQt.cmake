# Fails when a file of the Qt-free core includes a Qt header.
file(GLOB_RECURSE core_files
     ${ROOT}/src/base/*.h ${ROOT}/src/base/*.cpp
     ${ROOT}/src/vault/*.h ${ROOT}/src/vault/*.cpp
     ${ROOT}/src/interop/*.h ${ROOT}/src/interop/*.cpp
     ${ROOT}/src/health/*.h ${ROOT}/src/health/*.cpp
     ${ROOT}/src/cli/*.h ${ROOT}/src/cli/*.cpp)
file(READ ${ROOT}/src/dialogs/CoreSources.txt dialogs_list)
string(REGEX MATCHALL "[A-Za-z0-9_]+\\.(h|cpp)" dialogs_names "${dialogs_list}")
foreach(name ${dialogs_names})
    list(APPEND core_files ${ROOT}/src/dialogs/${name})
    string(REGEX REPLACE "\\.cpp$" ".h" header ${name})
    list(APPEND core_files ${ROOT}/src/dialogs/${header})
endforeach()
set(bad "")
foreach(f ${core_files})
    if(EXISTS ${f})
        file(STRINGS ${f} hits REGEX "#[ \t]*include[ \t]*[<\"](Q[A-Za-z]|qt)")
        if(hits)
            list(APPEND bad "${f}: ${hits}")
        endif()
    endif()
endforeach()
if(bad)
    message(FATAL_ERROR "Core files include Qt:\n${bad}")
endif()
list(LENGTH core_files n)
message(STATUS "checked ${n} core files: no Qt")
