# What only the Windows build needs: the static image libraries from the mingw-w64 prefix
# that scripts/build-windows-deps.sh builds (Debian's JUCE has its bundled copies removed),
# under the same target name the other platforms get from pkg-config.
set(TOLVANE_WINDOWS_DEPS "" CACHE PATH "Prefix with static libpng and libjpeg for mingw-w64 (scripts/build-windows-deps.sh)")

find_library(TOLVANE_WIN_PNG_LIBRARY  NAMES libpng16.a libpng.a  HINTS "${TOLVANE_WINDOWS_DEPS}/lib" NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
find_library(TOLVANE_WIN_JPEG_LIBRARY NAMES libjpeg.a            HINTS "${TOLVANE_WINDOWS_DEPS}/lib" NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
find_library(TOLVANE_WIN_ZLIB_LIBRARY NAMES libz.a REQUIRED)
find_path(TOLVANE_WIN_IMAGE_INCLUDE_DIR png.h HINTS "${TOLVANE_WINDOWS_DEPS}/include" NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)

add_library(PkgConfig::TOLVANE_IMAGE_LIBS INTERFACE IMPORTED)
target_link_libraries(PkgConfig::TOLVANE_IMAGE_LIBS INTERFACE
    "${TOLVANE_WIN_PNG_LIBRARY}" "${TOLVANE_WIN_JPEG_LIBRARY}" "${TOLVANE_WIN_ZLIB_LIBRARY}")
# The wrapper folder comes first: its jpeglib.h mends a clash with the Windows headers.
target_include_directories(PkgConfig::TOLVANE_IMAGE_LIBS INTERFACE
    "${CMAKE_CURRENT_LIST_DIR}/windows-include" "${TOLVANE_WIN_IMAGE_INCLUDE_DIR}")
