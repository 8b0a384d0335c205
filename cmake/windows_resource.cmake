# vels5_windows_resource(TARGET DESCRIPTION): on Windows, gives TARGET a version resource with
# the project version and, when VELS5_WINDOWS_ICON names an .ico file, the program icon.
set(VELS5_WINDOWS_ICON "" CACHE FILEPATH "The program icon (.ico) for the Windows programs")

function(vels5_windows_resource target description)
    if(NOT WIN32)
        return()
    endif()
    set(VELS5_RC_NAME ${target})
    set(VELS5_RC_FILE ${target}.exe)
    set(VELS5_RC_DESCRIPTION "${description}")
    set(VELS5_RC_ICON "")
    if(VELS5_WINDOWS_ICON)
        if(NOT EXISTS "${VELS5_WINDOWS_ICON}")
            message(FATAL_ERROR "VELS5_WINDOWS_ICON: no file ${VELS5_WINDOWS_ICON}")
        endif()
        # Qt gives its windows the icon of this name from the program file.
        set(VELS5_RC_ICON "IDI_ICON1 ICON \"${VELS5_WINDOWS_ICON}\"")
    endif()
    set(rc ${CMAKE_BINARY_DIR}/generated/${target}.rc)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/program.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
endfunction()
