cmake_minimum_required(VERSION 3.25)
# Fails when a folder includes from a folder above it or beside it: each
# library may only use the ones listed for it, so the arrows point down.
# Run as: cmake -DSOURCE_DIR=<root> -P CheckLayers.cmake
set(allowed_link "")
set(allowed_shell "")
set(allowed_editor shell link)
set(allowed_transfer link)
set(allowed_family transfer editor link)
set(allowed_frontend family transfer editor shell link)
# A family's window uses the skeleton and what lies below it, never another window.
set(allowed_kvt7 frontend family transfer editor shell link)
set(allowed_kvt31_33 frontend family transfer editor shell link)
set(allowed_kvt52 frontend family transfer editor shell link)
# The headless commands run the same jobs without any window.
set(allowed_batch family transfer editor link)
set(allowed_app batch kvt7 kvt31_33 kvt52 frontend family transfer editor shell link)
set(allowed_sim link)

set(violations "")
foreach(folder link shell editor transfer family frontend kvt7 kvt31_33 kvt52 batch app sim)
    file(GLOB_RECURSE sources "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
    foreach(source IN LISTS sources)
        file(STRINGS "${source}" includes REGEX "^#include \"[a-z0-9_]+/")
        foreach(line IN LISTS includes)
            string(REGEX REPLACE "^#include \"([a-z0-9_]+)/.*" "\\1" used "${line}")
            if(NOT used STREQUAL folder AND NOT used IN_LIST allowed_${folder})
                file(RELATIVE_PATH shown "${SOURCE_DIR}" "${source}")
                list(APPEND violations "${shown}: ${line}")
            endif()
        endforeach()
    endforeach()
endforeach()

if(violations)
    list(JOIN violations "\n  " text)
    message(FATAL_ERROR "Includes against the layers:\n  ${text}")
endif()
