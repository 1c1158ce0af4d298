# The framework, from Debian's installed copy, with the project's fixes applied.
#
# The modules that a patch in patches/juce/ touches are copied from Debian's module folder
# into the build tree and patched there at configure time; every other module is used in
# place. The framework's own JUCEConfig.cmake would add Debian's copy of every module, and a
# second copy of a module cannot be added beside it, so this file does what JUCEConfig.cmake
# does (the CMake helpers, juceaide, juce_add_module for each module) with the patched
# copies in their place.
#
# Sets JUCE_MODULES_DIR (Debian's modules, as the framework's package would) and
# TOLVANE_JUCE_PATCHED_DIR (the patched copies), and tolvane_juce_module_dir() says where a
# module lives. A patch set that has not changed since the last configure touches nothing,
# so it rebuilds nothing; a changed one touches only the files whose content changed.

set(TOLVANE_JUCE_VERSION 7.0.5)
set(TOLVANE_JUCE_PATCHES_DIR "${PROJECT_SOURCE_DIR}/patches/juce" CACHE PATH "The framework fixes to apply")

# The framework's CMake package: the build machine's, also when cross-compiling (the
# toolchain file sets JUCE_DIR).
find_path(JUCE_DIR JUCEConfigVersion.cmake
          PATHS /usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}/cmake /usr/lib/x86_64-linux-gnu/cmake /usr/lib/cmake
          PATH_SUFFIXES JUCE-${TOLVANE_JUCE_VERSION}
          NO_CMAKE_FIND_ROOT_PATH
          DOC "The framework's CMake package")

function(_tolvane_juce_fail)
    string(JOIN "" message ${ARGV})
    message(FATAL_ERROR "${message}\nThe project's framework fixes (${TOLVANE_JUCE_PATCHES_DIR}) are "
                        "made for JUCE ${TOLVANE_JUCE_VERSION} as Debian 12 ships it (package "
                        "juce-modules-source 7.0.5+ds-1).")
endfunction()

if(NOT JUCE_DIR OR NOT EXISTS "${JUCE_DIR}/JUCEConfig.cmake")
    _tolvane_juce_fail("The framework's CMake package JUCE ${TOLVANE_JUCE_VERSION} was not found; "
                       "install juce-modules-source or set JUCE_DIR.")
endif()

# The package's version and where its modules are, both as JUCEConfig.cmake states them.
file(STRINGS "${JUCE_DIR}/JUCEConfigVersion.cmake" _version_line REGEX "^set\\(PACKAGE_VERSION ")
string(REGEX REPLACE ".*\"(.*)\".*" "\\1" _package_version "${_version_line}")
if(NOT _package_version STREQUAL TOLVANE_JUCE_VERSION)
    _tolvane_juce_fail("The installed framework is JUCE ${_package_version} (${JUCE_DIR}), not "
                       "${TOLVANE_JUCE_VERSION}.")
endif()

file(STRINGS "${JUCE_DIR}/JUCEConfig.cmake" _modules_line REGEX "^set\\(JUCE_MODULES_DIR ")
string(REGEX REPLACE "^set\\(JUCE_MODULES_DIR \"([^\"]*)\".*" "\\1" JUCE_MODULES_DIR "${_modules_line}")

# The sources must be that version too: the patches apply to them.
set(_standard_header "${JUCE_MODULES_DIR}/juce_core/system/juce_StandardHeader.h")
if(NOT EXISTS "${_standard_header}")
    _tolvane_juce_fail("The framework's modules are not in '${JUCE_MODULES_DIR}'.")
endif()
file(STRINGS "${_standard_header}" _version_defines REGEX "#define JUCE_(MAJOR_VERSION|MINOR_VERSION|BUILDNUMBER) ")
string(REGEX REPLACE "[^;]*VERSION +([0-9]+);[^;]*VERSION +([0-9]+);[^;]*BUILDNUMBER +([0-9]+)" "\\1.\\2.\\3"
       _sources_version "${_version_defines}")
if(NOT _sources_version STREQUAL TOLVANE_JUCE_VERSION)
    _tolvane_juce_fail("The framework's modules in '${JUCE_MODULES_DIR}' are JUCE ${_sources_version}, not "
                       "${TOLVANE_JUCE_VERSION}.")
endif()

# The patches, in the order of their names, and the modules they touch (the first folder
# of each path in them, which are relative to the modules folder).
file(GLOB TOLVANE_JUCE_PATCHES CONFIGURE_DEPENDS "${TOLVANE_JUCE_PATCHES_DIR}/*.patch")
list(SORT TOLVANE_JUCE_PATCHES)
set(TOLVANE_JUCE_PATCHED_MODULES)
foreach(_patch IN LISTS TOLVANE_JUCE_PATCHES)
    file(STRINGS "${_patch}" _targets REGEX "^\\+\\+\\+ ")
    foreach(_target IN LISTS _targets)
        string(REGEX REPLACE "^\\+\\+\\+ [^/]+/([^/]+)/.*" "\\1" _module "${_target}")
        list(APPEND TOLVANE_JUCE_PATCHED_MODULES "${_module}")
    endforeach()
endforeach()
list(REMOVE_DUPLICATES TOLVANE_JUCE_PATCHED_MODULES)
# A patch edited in place configures again.
set_property(DIRECTORY "${PROJECT_SOURCE_DIR}" APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${TOLVANE_JUCE_PATCHES})

set(TOLVANE_JUCE_PATCHED_DIR "${CMAKE_BINARY_DIR}/juce-patched/modules")
set(_stamp_file "${CMAKE_BINARY_DIR}/juce-patched/patches.stamp")

# What the patched copies were made from: the framework's sources and every patch's text.
set(_stamp "JUCE ${_sources_version} in ${JUCE_MODULES_DIR}\nmodules ${TOLVANE_JUCE_PATCHED_MODULES}\n")
foreach(_patch IN LISTS TOLVANE_JUCE_PATCHES)
    file(SHA256 "${_patch}" _hash)
    get_filename_component(_name "${_patch}" NAME)
    string(APPEND _stamp "${_name} ${_hash}\n")
endforeach()

set(_previous_stamp "")
if(EXISTS "${_stamp_file}")
    file(READ "${_stamp_file}" _previous_stamp)
endif()

if(NOT _previous_stamp STREQUAL _stamp)
    find_program(TOLVANE_PATCH_EXECUTABLE patch)
    if(NOT TOLVANE_PATCH_EXECUTABLE)
        message(FATAL_ERROR "'patch' is needed to apply the framework fixes in ${TOLVANE_JUCE_PATCHES_DIR} "
                            "(Debian package patch).")
    endif()

    # Made aside, and put into place only when every patch applied.
    set(_scratch "${CMAKE_BINARY_DIR}/juce-patched/modules.new")
    file(REMOVE_RECURSE "${_scratch}" "${_stamp_file}")
    file(MAKE_DIRECTORY "${_scratch}")
    foreach(_module IN LISTS TOLVANE_JUCE_PATCHED_MODULES)
        if(NOT IS_DIRECTORY "${JUCE_MODULES_DIR}/${_module}")
            _tolvane_juce_fail("A patch names the module '${_module}', which '${JUCE_MODULES_DIR}' does not have.")
        endif()
        file(COPY "${JUCE_MODULES_DIR}/${_module}" DESTINATION "${_scratch}")
    endforeach()

    # --binary keeps the carriage returns: most of the framework's files end their lines
    # with CR LF, and the patches carry them too.
    foreach(_patch IN LISTS TOLVANE_JUCE_PATCHES)
        get_filename_component(_name "${_patch}" NAME)
        foreach(_pass --dry-run apply)
            set(_arguments -p1 --binary --forward --batch --no-backup-if-mismatch -r - -d "${_scratch}" -i "${_patch}")
            if(_pass STREQUAL "--dry-run")
                list(PREPEND _arguments --dry-run)
            endif()
            execute_process(COMMAND "${TOLVANE_PATCH_EXECUTABLE}" ${_arguments}
                            RESULT_VARIABLE _result OUTPUT_VARIABLE _output ERROR_VARIABLE _output)
            if(NOT _result EQUAL 0)
                _tolvane_juce_fail("The framework fix ${_name} does not apply to the framework in "
                                   "'${JUCE_MODULES_DIR}':\n${_output}")
            endif()
        endforeach()
        message(STATUS "Framework fix applied: ${_name}")
    endforeach()

    # Into place file by file, only where the content changed: a changed patch set rebuilds
    # what it changes and nothing more.
    file(GLOB_RECURSE _new_files LIST_DIRECTORIES false RELATIVE "${_scratch}" "${_scratch}/*")
    if(EXISTS "${TOLVANE_JUCE_PATCHED_DIR}")
        file(GLOB_RECURSE _old_files LIST_DIRECTORIES false RELATIVE "${TOLVANE_JUCE_PATCHED_DIR}" "${TOLVANE_JUCE_PATCHED_DIR}/*")
        foreach(_file IN LISTS _old_files)
            if(NOT _file IN_LIST _new_files)
                file(REMOVE "${TOLVANE_JUCE_PATCHED_DIR}/${_file}")
            endif()
        endforeach()
    endif()
    foreach(_file IN LISTS _new_files)
        get_filename_component(_folder "${TOLVANE_JUCE_PATCHED_DIR}/${_file}" DIRECTORY)
        file(MAKE_DIRECTORY "${_folder}")
        file(COPY_FILE "${_scratch}/${_file}" "${TOLVANE_JUCE_PATCHED_DIR}/${_file}" ONLY_IF_DIFFERENT)
    endforeach()
    file(GLOB _old_modules LIST_DIRECTORIES true RELATIVE "${TOLVANE_JUCE_PATCHED_DIR}" "${TOLVANE_JUCE_PATCHED_DIR}/*")
    foreach(_module IN LISTS _old_modules)
        if(NOT _module IN_LIST TOLVANE_JUCE_PATCHED_MODULES)
            file(REMOVE_RECURSE "${TOLVANE_JUCE_PATCHED_DIR}/${_module}")
        endif()
    endforeach()
    file(REMOVE_RECURSE "${_scratch}")
    file(WRITE "${_stamp_file}" "${_stamp}")
endif()

# tolvane_juce_module_dir(MODULE OUT): the folder MODULE is built from.
function(tolvane_juce_module_dir module out)
    if(module IN_LIST TOLVANE_JUCE_PATCHED_MODULES)
        set(${out} "${TOLVANE_JUCE_PATCHED_DIR}/${module}" PARENT_SCOPE)
    else()
        set(${out} "${JUCE_MODULES_DIR}/${module}" PARENT_SCOPE)
    endif()
endfunction()

# What JUCEConfig.cmake does, with the patched modules in place of Debian's.
include("${JUCE_DIR}/LV2_HELPER.cmake")
if(NOT TARGET juce::juceaide)
    file(STRINGS "${JUCE_DIR}/JUCEConfig.cmake" _juceaide_line REGEX "IMPORTED_LOCATION ")
    string(REGEX REPLACE ".*IMPORTED_LOCATION \"([^\"]*)\".*" "\\1" _juceaide "${_juceaide_line}")
    add_executable(juce::juceaide IMPORTED)
    set_target_properties(juce::juceaide PROPERTIES IMPORTED_LOCATION "${_juceaide}")
endif()
include("${JUCE_DIR}/JUCEModuleSupport.cmake")
include("${JUCE_DIR}/JUCEUtils.cmake")

file(GLOB _all_modules LIST_DIRECTORIES true RELATIVE "${JUCE_MODULES_DIR}" "${JUCE_MODULES_DIR}/juce_*")
foreach(_module IN LISTS _all_modules)
    if(IS_DIRECTORY "${JUCE_MODULES_DIR}/${_module}")
        tolvane_juce_module_dir(${_module} _module_dir)
        juce_add_module("${_module_dir}" ALIAS_NAMESPACE juce)
    endif()
endforeach()

set(JUCE_FOUND TRUE)
set(JUCE_VERSION ${TOLVANE_JUCE_VERSION})
