# SPDX-FileCopyrightText: 2026 Quelix developers
# SPDX-License-Identifier: MIT
# Warning sets for our own targets. Link `project_warnings` everywhere, and add
# `project_warnings_strict` (with -Wconversion) to the Qt-free libraries.
add_library(project_warnings INTERFACE)
target_compile_options(project_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
    -Wsuggest-override -Wzero-as-null-pointer-constant -Wvla -Werror=return-type)
if(QUELIX_WERROR)
    target_compile_options(project_warnings INTERFACE -Werror)
endif()
# GCC 12 reports overlapping copies inside std::string when the optimiser inlines the
# assignment of a one-character literal to a string, or "x" + a temporary string (GCC bug
# 105329, a false positive of its restrict analysis). Release builds met it in ten places
# of ordinary string code; only that warning, and only for GCC 12, is switched off.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12
   AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(project_warnings INTERFACE -Wno-restrict)
endif()

add_library(project_warnings_strict INTERFACE)
target_link_libraries(project_warnings_strict INTERFACE project_warnings)
target_compile_options(project_warnings_strict INTERFACE -Wconversion -Wsign-conversion)

# Options every Qt target of ours is built with.
add_library(project_qt_options INTERFACE)
target_compile_definitions(project_qt_options INTERFACE
    QT_NO_KEYWORDS QT_NO_FOREACH QT_NO_CAST_FROM_ASCII QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_DISABLE_DEPRECATED_BEFORE=0x060400)
