# Lays out the two-header VST 2.x interface shim (on top of FST) where the framework looks
# for it: <shim>/pluginterfaces/vst2.x/{aeffect.h,aeffectx.h}.
if(CMAKE_CROSSCOMPILING)
    # FST is header-only and the same for every target, but the build machine's include
    # folder must not reach a cross compiler: copy the headers into a folder of their own.
    find_path(TOLVANE_HOST_FST_INCLUDE_DIR pluginterfaces/fst/fst.h NO_CMAKE_FIND_ROOT_PATH REQUIRED)
    file(COPY "${TOLVANE_HOST_FST_INCLUDE_DIR}/pluginterfaces/fst"
         DESTINATION "${CMAKE_BINARY_DIR}/fst-include/pluginterfaces")
    set(TOLVANE_FST_INCLUDE_DIR "${CMAKE_BINARY_DIR}/fst-include")
endif()
find_path(TOLVANE_FST_INCLUDE_DIR pluginterfaces/fst/fst.h REQUIRED)

set(TOLVANE_VST2_SHIM_DIR "${CMAKE_BINARY_DIR}/vst2-shim")
foreach(header aeffect.h aeffectx.h)
    configure_file("${CMAKE_CURRENT_LIST_DIR}/vst2-shim/${header}"
                   "${TOLVANE_VST2_SHIM_DIR}/pluginterfaces/vst2.x/${header}" COPYONLY)
endforeach()

juce_set_vst2_sdk_path("${TOLVANE_VST2_SHIM_DIR}")
target_include_directories(juce_vst2_sdk INTERFACE "${TOLVANE_FST_INCLUDE_DIR}")
