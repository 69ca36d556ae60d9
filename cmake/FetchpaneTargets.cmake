# One static library per layout folder. Sources are picked up by glob so a
# new class needs no build edit; link dependencies are named here.
function(fp_module_library name)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS
        ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c)
    if(NOT sources)
        set(sources ${CMAKE_SOURCE_DIR}/cmake/empty.cpp)
    endif()
    add_library(${name} STATIC ${sources})
    target_link_libraries(${name} PUBLIC fp_common ${ARG_DEPS})
endfunction()

# Links a Windows program fully static, so wine needs no extra DLLs.
function(fp_static_program target)
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
endfunction()
