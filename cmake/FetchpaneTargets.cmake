# One static library per layout folder. Sources are picked up by glob so a
# new class needs no build edit; link dependencies are named here, and only
# libraries on the floors below may be named.
#
# The floors are enforced by what a library can include: each folder is
# offered under an include root of its own (a link in the build tree, e.g.
# <build>/floors/fp_engine_core/engine/core), which only its own library and
# the libraries linking it see. Including a header of a floor above, which
# the library does not link, fails to compile.
function(fp_module_library name)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS
        ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c)
    if(NOT sources)
        set(sources ${CMAKE_SOURCE_DIR}/cmake/empty.cpp)
    endif()
    add_library(${name} STATIC ${sources})
    target_link_libraries(${name} PUBLIC fp_common ${ARG_DEPS})

    fp_offer_folder(${name} PUBLIC)
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
