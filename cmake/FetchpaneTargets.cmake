# One static library per layout folder. Sources are picked up by glob so a
# new class needs no build edit; link dependencies are named here, and only
# libraries on the floors below may be named.
#
# The older build (FP_OLDER_BUILD) differs in structure by files alone:
# legacy/ mirrors the folders (legacy/engine/gui for engine/gui, and so on),
# and in that build each source there takes the place of the folder's source
# of the same name, or joins them when the folder has none.
#
# The floors are enforced by what a library can include: each folder is
# offered under an include root of its own (a link in the build tree, e.g.
# <build>/floors/fp_engine_core/engine/core), which only its own library and
# the libraries linking it see. Including a header of a floor above, which
# the library does not link, fails to compile.
function(fp_module_library name)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    fp_build_sources(sources)
    if(NOT sources)
        set(sources ${CMAKE_SOURCE_DIR}/cmake/empty.cpp)
    endif()
    add_library(${name} STATIC ${sources})
    target_link_libraries(${name} PUBLIC fp_common ${ARG_DEPS})

    fp_offer_folder(${name} PUBLIC)
endfunction()

# The folder's sources for this build (see above).
function(fp_build_sources out)
    file(GLOB sources CONFIGURE_DEPENDS
        ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c)
    if(FP_OLDER_BUILD)
        file(RELATIVE_PATH folder ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
        file(GLOB older CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/legacy/${folder}/*.cpp)
        foreach(file ${older})
            get_filename_component(base ${file} NAME)
            list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${base})
        endforeach()
        list(APPEND sources ${older})
        set_property(GLOBAL APPEND PROPERTY FP_OLDER_SOURCES ${older})
    endif()
    set(${out} ${sources} PARENT_SCOPE)
endfunction()

# Every source under legacy/ must have been taken by its folder's library: a
# file in a folder that mirrors none would be left out without a word.
function(fp_check_older_sources)
    file(GLOB_RECURSE all CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/legacy/*.cpp)
    get_property(taken GLOBAL PROPERTY FP_OLDER_SOURCES)
    foreach(file ${all})
        if(NOT file IN_LIST taken)
            message(FATAL_ERROR "${file} mirrors no library's folder")
        endif()
    endforeach()
endfunction()

# Header-only helpers of a folder (no sources): the same include root.
function(fp_header_library name)
    add_library(${name} INTERFACE)
    fp_offer_folder(${name} INTERFACE)
endfunction()

# Offers the current folder to `name` and its users under an include root of
# its own (see above).
function(fp_offer_folder name scope)
    file(RELATIVE_PATH folder ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
    set(root ${CMAKE_BINARY_DIR}/floors/${name})
    get_filename_component(parent ${root}/${folder} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${folder} SYMBOLIC)
    target_include_directories(${name} ${scope} ${root})
endfunction()

# Links a Windows program fully static, so wine needs no extra DLLs.
function(fp_static_program target)
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
endfunction()
