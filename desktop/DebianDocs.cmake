# Run by cpack on the staged package tree, before it is packed: Debian wants man pages and the
# changelog compressed with gzip -9n (no name or time stamp, so builds repeat byte for byte).
set(root ${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX})
if(NOT IS_DIRECTORY ${root}/share)
    message(FATAL_ERROR "no staged tree under ${root}")
endif()
file(COPY_FILE ${CPACK_COFFERIX_CHANGELOG} ${root}/share/doc/cofferix/changelog)
file(GLOB_RECURSE docs ${root}/share/man/*.1 ${root}/share/doc/cofferix/changelog)
foreach(doc ${docs})
    execute_process(COMMAND gzip -9nf ${doc} RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "gzip ${doc} failed")
    endif()
endforeach()
