# The program's identity for the files installed around it, read from the lines that define it
# for the program itself: COFFERIX_APP_ID (src/base/AppIdentity.h), COFFERIX_APP_TITLE and
# COFFERIX_HOME_PAGE (src/base/StringTable.h).
function(cofferix_read_string header name variable)
    file(STRINGS ${PROJECT_SOURCE_DIR}/src/base/${header} line REGEX " ${name} = \"")
    string(REGEX REPLACE ".* ${name} = \"([^\"]+)\".*" "\\1" value "${line}")
    if(value STREQUAL "" OR value STREQUAL "${line}")
        message(FATAL_ERROR "no ${name} in src/base/${header}")
    endif()
    set(${variable} "${value}" PARENT_SCOPE)
endfunction()

cofferix_read_string(AppIdentity.h sAppId COFFERIX_APP_ID)
cofferix_read_string(StringTable.h sAppTitle COFFERIX_APP_TITLE)
cofferix_read_string(StringTable.h sHomePage COFFERIX_HOME_PAGE)
