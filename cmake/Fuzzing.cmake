# SPDX-FileCopyrightText: 2026 Quelix developers
# SPDX-License-Identifier: MIT
# libFuzzer targets (clang with -DQUELIX_FUZZ=ON). quelix_add_fuzzer(NAME SOURCE LIBRARY
# [LIBS ...]) builds the driver SOURCE as the executable NAME against LIBRARY and LIBS, and
# instruments LIBRARY too, so that coverage and the sanitizers reach the code under test
# as well as the driver.
set(QUELIX_FUZZ_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=undefined
    -fno-omit-frame-pointer)

function(quelix_add_fuzzer name source library)
    if(NOT (CMAKE_CXX_COMPILER_ID MATCHES "Clang" AND QUELIX_FUZZ))
        return()
    endif()
    target_compile_options(${library} PRIVATE -fsanitize=fuzzer-no-link ${QUELIX_FUZZ_FLAGS})
    add_executable(${name} ${source})
    target_compile_features(${name} PRIVATE cxx_std_20)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer ${QUELIX_FUZZ_FLAGS})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer ${QUELIX_FUZZ_FLAGS})
    target_link_libraries(${name} PRIVATE ${library} ${ARGN} project_warnings)
endfunction()
