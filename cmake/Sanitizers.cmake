# Sanitizer builds for the whole tree: TOLVANE_SANITIZER=address (ASan + UBSan), thread, or
# fuzzer (ASan + UBSan with libFuzzer's coverage, clang only: the fuzz targets in tests/fuzz/).
if(TOLVANE_SANITIZER STREQUAL "address")
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
elseif(TOLVANE_SANITIZER STREQUAL "thread")
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
elseif(TOLVANE_SANITIZER STREQUAL "fuzzer")
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "TOLVANE_SANITIZER=fuzzer needs clang (CC=clang-14 CXX=clang++-14)")
    endif()
    add_compile_options(-fsanitize=address,undefined,fuzzer-no-link -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
elseif(NOT TOLVANE_SANITIZER STREQUAL "")
    message(FATAL_ERROR "TOLVANE_SANITIZER must be empty, 'address', 'thread' or 'fuzzer'")
endif()
