# Every JUCE configuration flag of the project, in one place.

# The host: VST 2.x hosting only (without the hosting's log lines), ALSA and JACK devices,
# no web views or networking, and blocking modal loops (start-up shows a blocking message box, the settings dialog runs a
# nested modal loop). Debian's JUCE has no bundled zlib, libpng, libjpeg, FLAC or Ogg.
set(TOLVANE_HOST_JUCE_DEFINITIONS
    JUCE_PLUGINHOST_VST=1
    JUCE_PLUGINHOST_VST3=0
    JUCE_PLUGINHOST_LV2=0
    JUCE_PLUGINHOST_LADSPA=0
    JUCE_PLUGINHOST_AU=0
    JUCE_ALSA=1
    JUCE_JACK=1
    "JUCE_JACK_CLIENT_NAME=\"${TOLVANE_APP_NAME}\""
    JUCE_WEB_BROWSER=0
    JUCE_USE_CURL=0
    JUCE_MODAL_LOOPS_PERMITTED=1
    VST_LOGGING=0
    JUCE_DISPLAY_SPLASH_SCREEN=0
    JUCE_REPORT_APP_USAGE=0
    JUCE_STRICT_REFCOUNTEDPOINTER=1
    JUCE_USE_FLAC=0
    JUCE_USE_OGGVORBIS=0
    JUCE_INCLUDE_ZLIB_CODE=0
    JUCE_INCLUDE_PNGLIB_CODE=0
    JUCE_INCLUDE_JPEGLIB_CODE=0
    JUCE_USE_XRANDR=1
    JUCE_USE_XINERAMA=1
    JUCE_USE_XSHM=1
    JUCE_USE_XRENDER=0
    JUCE_USE_XCURSOR=1)

# The reference plug-in: a VST 2.x module (and a standalone build of the same plug-in).
set(TOLVANE_PLUGIN_JUCE_DEFINITIONS
    JUCE_WEB_BROWSER=0
    JUCE_USE_CURL=0
    JUCE_VST3_CAN_REPLACE_VST2=0
    JUCE_DISPLAY_SPLASH_SCREEN=0
    JUCE_REPORT_APP_USAGE=0
    JUCE_ALSA=1
    JUCE_JACK=1
    JUCE_USE_FLAC=0
    JUCE_USE_OGGVORBIS=0
    JUCE_INCLUDE_ZLIB_CODE=0
    JUCE_INCLUDE_PNGLIB_CODE=0
    JUCE_INCLUDE_JPEGLIB_CODE=0)

# Windows: the WASAPI and DirectSound devices and WinMM MIDI instead of ALSA and JACK; no
# ASIO (its SDK is not free to ship).
if(WIN32)
    foreach(list_name TOLVANE_HOST_JUCE_DEFINITIONS TOLVANE_PLUGIN_JUCE_DEFINITIONS)
        list(REMOVE_ITEM ${list_name} JUCE_ALSA=1 JUCE_JACK=1)
        list(APPEND ${list_name} JUCE_ALSA=0 JUCE_JACK=0 JUCE_WASAPI=1 JUCE_DIRECTSOUND=1 JUCE_ASIO=0)
    endforeach()
endif()

# Warnings: -Wall -Wextra (and JUCE's recommended set) on our own code. The framework's
# sources and headers are not ours to fix: its headers are seen as system headers by our
# targets, and its module sources compile without warnings. The patched modules' folder comes
# first, so that their headers are the ones seen.
file(GLOB TOLVANE_JUCE_MODULE_SOURCES "${JUCE_MODULES_DIR}/*/*.cpp" "${TOLVANE_JUCE_PATCHED_DIR}/*/*.cpp")

function(tolvane_target_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
    target_include_directories(${target} SYSTEM BEFORE PRIVATE "${TOLVANE_JUCE_PATCHED_DIR}" "${JUCE_MODULES_DIR}")
    set_source_files_properties(${TOLVANE_JUCE_MODULE_SOURCES} TARGET_DIRECTORY ${target}
                                PROPERTIES COMPILE_OPTIONS "-w")
    if(TOLVANE_WARNINGS_AS_ERRORS)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
