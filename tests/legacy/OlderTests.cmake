# The older build is tested where it differs from the current one: its own
# tests (this folder), and the shared tests of the areas its differences
# touch, run against the older engine. A shared case that holds for the
# current build only says so itself (CURRENT_BUILD_ONLY, its first
# statement) and is registered disabled here; the older build's own tests
# check what it does instead.
set(fp_older_shared
    core/EngineTest.cpp core/LogTest.cpp core/WorkPathTest.cpp
    graphics/NvxTest.cpp graphics/CodecTest.cpp graphics/SurfaceTest.cpp
    graphics/CanvasRecordTest.cpp
    graphics/DecoderMemoryTest.cpp
    gui/InputTest.cpp gui/RenderAndHitTest.cpp gui/MoveAndUpdateTest.cpp)

# An area's helpers: its sources that hold no tests.
function(fp_area_helpers area out)
    file(GLOB helpers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${area}/*.cpp)
    list(FILTER helpers EXCLUDE REGEX "Test\\.cpp$")
    set(${out} ${helpers} PARENT_SCOPE)
endfunction()

foreach(area core graphics gui)
    fp_area_helpers(${area} sources)
    foreach(file ${fp_older_shared})
        if(file MATCHES "^${area}/")
            list(APPEND sources ${CMAKE_CURRENT_SOURCE_DIR}/${file})
        endif()
    endforeach()
    fp_test_program(${area} "older.${area}." ${sources})
endforeach()

# The panel in its window, its skin's first load under Res\, the runtime's
# exception records the module keeps, and the older module end to end through
# the public header, as the end-to-end host drives it.
fp_area_helpers(panel panel_helpers)
fp_test_program(panel "older.panel." ${panel_helpers}
    ${CMAKE_CURRENT_SOURCE_DIR}/panel/MainFrameTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/panel/ModuleRuntimeTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/panel/PanelInterfaceTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/panel/PanelSkinTest.cpp)
file(GLOB end_to_end_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/end_to_end/*.cpp)
fp_test_program(end_to_end "older.end_to_end." ${end_to_end_sources})

fp_area_helpers(gui gui_helpers)
fp_area_helpers(resources resources_helpers)
file(GLOB legacy_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/legacy/*.cpp)
fp_test_program(legacy "older.legacy." ${legacy_sources} ${gui_helpers} ${resources_helpers}
    ${panel_helpers})
add_dependencies(test_legacy fetchpane_skin)

# Hostile images against the older engine's decoders, the one parser of the
# hostile inputs' kinds that differs.
fp_area_helpers(hostile hostile_helpers)
fp_test_program(hostile "older.hostile." ${hostile_helpers}
    ${CMAKE_CURRENT_SOURCE_DIR}/hostile/ImageInputsTest.cpp)
