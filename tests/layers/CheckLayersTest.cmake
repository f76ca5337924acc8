# The layer check on a small tree of known faults: each is named, and nothing else is.
execute_process(COMMAND ${CMAKE_COMMAND} -DROOT=${CMAKE_CURRENT_LIST_DIR}/fixture
                        -P ${CMAKE_CURRENT_LIST_DIR}/../../cmake/CheckLayers.cmake
                RESULT_VARIABLE result ERROR_VARIABLE output)
if(result EQUAL 0)
    message(FATAL_ERROR "the check passed a tree with wrong includes")
endif()
foreach(expected
        "src/vault/Up.h (vault) includes common/Settings.h (common)"
        "src/cli/Qt.cpp (cli, no Qt) includes <QString>"
        "src/dialogs/Gen.h (generator) includes dialogs/Window.h (dialogs)")
    string(FIND "${output}" "${expected}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "not reported: ${expected}\n${output}")
    endif()
endforeach()
foreach(clean "src/app/Fine.cpp" "src/common/tray/Icon.h" "src/dialogs/Window.h"
              "includes vault/Up.h")
    string(FIND "${output}" "${clean}" at)
    if(NOT at EQUAL -1)
        message(FATAL_ERROR "reported a right include (${clean}):\n${output}")
    endif()
endforeach()
