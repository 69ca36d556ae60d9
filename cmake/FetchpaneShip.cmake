# The module as it ships, in <build>/ship: the release build without its
# debug information (Fetchpane.dll), and that information in a file of its
# own beside it (Fetchpane.dll.debug), which the DLL names in a debug link so
# that debuggers and crash tools find it.
set(fp_ship_dir ${CMAKE_BINARY_DIR}/ship)
set(fp_ship_files ${fp_ship_dir}/Fetchpane.dll ${fp_ship_dir}/Fetchpane.dll.debug)
file(MAKE_DIRECTORY ${fp_ship_dir})
add_custom_command(OUTPUT ${fp_ship_files}
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:Fetchpane> Fetchpane.dll.debug
    COMMAND ${CMAKE_OBJCOPY} --strip-debug --strip-unneeded
        --add-gnu-debuglink=Fetchpane.dll.debug $<TARGET_FILE:Fetchpane> Fetchpane.dll
    WORKING_DIRECTORY ${fp_ship_dir}
    DEPENDS Fetchpane
    COMMENT "Stripping the shipped module; its debug information goes beside it")
add_custom_target(fetchpane_ship ALL DEPENDS ${fp_ship_files})
