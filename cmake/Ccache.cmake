# Use ccache when it is installed. JUCE stamps __DATE__/__TIME__ into some files, so
# time macros must not defeat the cache; the base directory lets clones in other
# folders share it.
find_program(TOLVANE_CCACHE ccache)
if(TOLVANE_CCACHE)
    set(CMAKE_C_COMPILER_LAUNCHER
        ${CMAKE_COMMAND} -E env CCACHE_SLOPPINESS=time_macros,include_file_mtime,include_file_ctime
        CCACHE_BASEDIR=${CMAKE_SOURCE_DIR} ${TOLVANE_CCACHE})
    set(CMAKE_CXX_COMPILER_LAUNCHER ${CMAKE_C_COMPILER_LAUNCHER})
endif()
