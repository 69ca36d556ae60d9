# Third-party libraries, cross-built by tools/bootstrap into a cache outside
# the repository (one prefix per architecture).
set(FP_DEPS_ROOT "$ENV{FETCHPANE_CACHE}")
if(NOT FP_DEPS_ROOT)
    set(FP_DEPS_ROOT /var/cache/fetchpane-deps)
endif()
set(FP_DEPS "${FP_DEPS_ROOT}/${FP_ARCH}")
if(NOT EXISTS "${FP_DEPS}/lib/libminizip.a")
    message(FATAL_ERROR "dependencies missing in ${FP_DEPS}: run tools/bootstrap")
endif()

function(fp_import name lib)
    add_library(${name} STATIC IMPORTED GLOBAL)
    set_target_properties(${name} PROPERTIES IMPORTED_LOCATION "${lib}"
        INTERFACE_INCLUDE_DIRECTORIES "${FP_DEPS}/include")
endfunction()

fp_import(fp_zlib /usr/${FP_TRIPLE}/lib/libz.a)
fp_import(fp_minizip "${FP_DEPS}/lib/libminizip.a")
set_property(TARGET fp_minizip APPEND PROPERTY INTERFACE_LINK_LIBRARIES fp_zlib)
fp_import(fp_png "${FP_DEPS}/lib/libpng16.a")
set_property(TARGET fp_png APPEND PROPERTY INTERFACE_LINK_LIBRARIES fp_zlib)
fp_import(fp_jpeg "${FP_DEPS}/lib/libjpeg.a")
fp_import(fp_tinyxml "${FP_DEPS}/lib/libtinyxml.a")
add_library(fp_rapidxml INTERFACE)
target_include_directories(fp_rapidxml SYSTEM INTERFACE "${FP_DEPS}/include")
