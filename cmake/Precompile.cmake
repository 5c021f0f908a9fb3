# Precompiled headers. Most of a file's compile time here goes into parsing
# Qt's and GoogleTest's headers, the same ones in nearly every file. So the
# targets are sorted by what they build against (Qt Core alone, Qt Widgets,
# either with GoogleTest) and by their own compile options, and each such group
# shares one precompiled header, made once per build folder by a small object
# library of its own. Only headers of Qt, GoogleTest and the standard library
# are precompiled, never the project's, so the layers stay as the includes say.
# Configure with -DVELTOR_PCH=OFF to see that every file includes what it uses.
#
# Included before the first target; veltor_precompile_headers() is called
# once every target exists, so that a new target or test folder needs no edit
# here.

option(VELTOR_PCH "Precompile the Qt, GoogleTest and standard headers most files include" ON)

# ccache caches a file compiled with a precompiled header only when told to
# trust the header's macros and its fresh time stamp.
if(VELTOR_PCH)
    foreach(lang C CXX)
        if(CMAKE_${lang}_COMPILER_LAUNCHER MATCHES "ccache$")
            set(sloppiness pch_defines,time_macros,include_file_mtime,include_file_ctime)
            if(DEFINED ENV{CCACHE_SLOPPINESS})
                string(PREPEND sloppiness "$ENV{CCACHE_SLOPPINESS},")
            endif()
            set(CMAKE_${lang}_COMPILER_LAUNCHER
                env CCACHE_SLOPPINESS=${sloppiness} ${CMAKE_${lang}_COMPILER_LAUNCHER})
        endif()
    endforeach()
endif()

set(veltor_pch_core
    <algorithm> <array> <cmath> <cstdint> <cstring> <functional> <memory> <mutex> <optional>
    <string> <utility> <vector>
    <QByteArray> <QCoreApplication> <QDateTime> <QDir> <QFile> <QFileInfo> <QHash> <QList>
    <QLocale> <QString> <QStringList> <QTimer> <QVariant>)
set(veltor_pch_widgets
    ${veltor_pch_core}
    <QAction> <QApplication> <QCheckBox> <QDialog> <QKeyEvent> <QLabel> <QLineEdit> <QMenu>
    <QMenuBar> <QMessageBox> <QPainter> <QPushButton> <QWidget>)
set(veltor_pch_test ${veltor_pch_core} <gtest/gtest.h>)
set(veltor_pch_gui_test ${veltor_pch_widgets} <gtest/gtest.h>)
set(veltor_pch_libs_core Qt6::Core)
set(veltor_pch_libs_widgets Qt6::Widgets)
set(veltor_pch_libs_test Qt6::Core GTest::gtest)
set(veltor_pch_libs_gui_test Qt6::Widgets GTest::gtest)

# A group whose files are fewer than this compiles faster without a header
# made for it alone.
set(veltor_pch_min_files 4)

# veltor_targets_below(OUT DIR): the build system targets of DIR and its
# subdirectories.
function(veltor_targets_below out dir)
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    foreach(sub ${subdirs})
        veltor_targets_below(below ${sub})
        list(APPEND targets ${below})
    endforeach()
    set(${out} ${targets} PARENT_SCOPE)
endfunction()

# veltor_linked(OUT TARGET): every library TARGET builds against, following the
# project's own targets through to the imported ones.
function(veltor_linked out target)
    set(seen)
    set(todo ${target})
    while(todo)
        list(POP_FRONT todo t)
        if(NOT TARGET ${t} OR t IN_LIST seen)
            continue()
        endif()
        list(APPEND seen ${t})
        get_target_property(imported ${t} IMPORTED)
        if(imported)
            continue()
        endif()
        get_target_property(type ${t} TYPE)
        set(links)
        if(NOT type STREQUAL "INTERFACE_LIBRARY")
            get_target_property(links ${t} LINK_LIBRARIES)
        endif()
        get_target_property(interface ${t} INTERFACE_LINK_LIBRARIES)
        foreach(l ${links} ${interface})
            # A static library's private dependencies come as $<LINK_ONLY:...>.
            string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" l "${l}")
            if(l AND NOT l MATCHES "-NOTFOUND$")
                list(APPEND todo ${l})
            endif()
        endforeach()
    endwhile()
    set(${out} ${seen} PARENT_SCOPE)
endfunction()

# veltor_pch_kind(OUT TARGET): core, widgets, test or gui_test.
function(veltor_pch_kind out target)
    veltor_linked(linked ${target})
    set(kind core)
    if(Qt6::Widgets IN_LIST linked)
        set(kind widgets)
    endif()
    if(GTest::gtest IN_LIST linked OR GTest::gmock IN_LIST linked)
        if(kind STREQUAL "widgets")
            set(kind gui_test)
        else()
            set(kind test)
        endif()
    endif()
    set(${out} ${kind} PARENT_SCOPE)
endfunction()

# veltor_precompile_headers(): gives every target of the project the
# precompiled header of its group.
function(veltor_precompile_headers)
    if(NOT VELTOR_PCH)
        return()
    endif()
    veltor_targets_below(veltor_all_targets ${PROJECT_SOURCE_DIR})
    set(veltor_pch_groups)
    foreach(target ${veltor_all_targets})
        get_target_property(type ${target} TYPE)
        if(NOT type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|OBJECT_LIBRARY)$")
            continue() # the shared stand-in client libraries have one small file each
        endif()
        get_target_property(sources ${target} SOURCES)
        list(FILTER sources INCLUDE REGEX "\\.cpp$")
        list(LENGTH sources files)
        if(files EQUAL 0)
            continue()
        endif()
        veltor_pch_kind(kind ${target})
        get_target_property(options ${target} COMPILE_OPTIONS)
        string(MD5 key "${options}")
        string(SUBSTRING ${key} 0 8 key)
        set(group veltor_pch_${kind}_${key})
        if(NOT group IN_LIST veltor_pch_groups)
            list(APPEND veltor_pch_groups ${group})
            set(${group}_kind ${kind})
            set(${group}_options "${options}")
            set(${group}_targets)
            set(${group}_files 0)
        endif()
        list(APPEND ${group}_targets ${target})
        math(EXPR ${group}_files "${${group}_files} + ${files}")
    endforeach()

    foreach(group ${veltor_pch_groups})
        if(${group}_files LESS veltor_pch_min_files)
            continue()
        endif()
        set(kind ${${group}_kind})
        string(REGEX REPLACE "^veltor_pch_" "" name ${group})
        set(source ${PROJECT_BINARY_DIR}/pch/${name}.cpp)
        file(CONFIGURE OUTPUT ${source} CONTENT "// The precompiled header alone.\n")
        add_library(${group} OBJECT ${source})
        set_target_properties(${group} PROPERTIES COMPILE_OPTIONS "${${group}_options}" AUTOMOC OFF)
        target_link_libraries(${group} PRIVATE ${veltor_pch_libs_${kind}})
        target_precompile_headers(${group} PRIVATE ${veltor_pch_${kind}})
        foreach(target ${${group}_targets})
            target_precompile_headers(${target} REUSE_FROM ${group})
            # AUTOMOC's file is nearly always empty here, and loading the
            # header costs more than compiling it without.
            get_target_property(automoc ${target} AUTOMOC)
            get_target_property(binary_dir ${target} BINARY_DIR)
            if(automoc)
                set_source_files_properties(
                    ${binary_dir}/${target}_autogen/mocs_compilation.cpp TARGET_DIRECTORY ${target}
                    PROPERTIES SKIP_PRECOMPILE_HEADERS ON)
            endif()
        endforeach()
    endforeach()
endfunction()
