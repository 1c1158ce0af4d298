# Use ccache when it is installed. JUCE stamps __DATE__/__TIME__ into some files, so
# time macros must not defeat the cache. The base directory, and not hashing the build
# folder into debug builds, let clones in other folders share the cache (their debug
# information then names the folder that first filled it).
find_program(TOLVANE_CCACHE ccache)
if(TOLVANE_CCACHE)
    set(CMAKE_C_COMPILER_LAUNCHER
        ${CMAKE_COMMAND} -E env CCACHE_SLOPPINESS=time_macros,include_file_mtime,include_file_ctime
        CCACHE_BASEDIR=${CMAKE_SOURCE_DIR} CCACHE_NOHASHDIR=true ${TOLVANE_CCACHE})
    set(CMAKE_CXX_COMPILER_LAUNCHER ${CMAKE_C_COMPILER_LAUNCHER})
endif()
