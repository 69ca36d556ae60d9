# The older build is tested where it differs from the current one: its own
# tests (this folder), and the shared tests of the areas its differences
# touch, run against the older engine. Shared cases that hold for the current
# build only are left out (FP_CURRENT_ONLY); the older build's own tests
# check what it does instead.
set(fp_older_shared
    core/EngineTest.cpp core/LogTest.cpp core/WorkPathTest.cpp
    graphics/NvxTest.cpp graphics/CodecTest.cpp
    drawing/SurfaceTest.cpp drawing/CanvasRecordTest.cpp
    gui/InputTest.cpp gui/RenderAndHitTest.cpp gui/MoveAndUpdateTest.cpp)

# An area's helpers: its sources that hold no tests.
function(fp_area_helpers area out)
    file(GLOB helpers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${area}/*.cpp)
    list(FILTER helpers EXCLUDE REGEX "Test\\.cpp$")
    set(${out} ${helpers} PARENT_SCOPE)
endfunction()

foreach(area core graphics drawing gui)
    fp_area_helpers(${area} sources)
    foreach(file ${fp_older_shared})
        if(file MATCHES "^${area}/")
            list(APPEND sources ${CMAKE_CURRENT_SOURCE_DIR}/${file})
        endif()
    endforeach()
    fp_test_program(${area} "older.${area}." ${sources})
endforeach()

# The panel in its window, its skin's first load under Res\, and the older
# module end to end through the public header, as the end-to-end host drives
# it.
fp_area_helpers(panel panel_helpers)
fp_test_program(panel "older.panel." ${panel_helpers}
    ${CMAKE_CURRENT_SOURCE_DIR}/panel/MainFrameTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/panel/PanelInterfaceTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/panel/PanelSkinTest.cpp)
file(GLOB end_to_end_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/end_to_end/*.cpp)
fp_test_program(end_to_end "older.end_to_end." ${end_to_end_sources})

fp_area_helpers(gui gui_helpers)
fp_area_helpers(manager manager_helpers)
file(GLOB legacy_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/legacy/*.cpp)
fp_test_program(legacy "older.legacy." ${legacy_sources} ${gui_helpers} ${manager_helpers}
    ${panel_helpers})
add_dependencies(test_legacy fetchpane_skin)

set(FP_CURRENT_ONLY
    # The interface version, the version line, the start-up failures logged.
    core.InitEngine.AnotherInterfaceVersionIsRefusedSilently
    core.BaseApp.LogsBannerVersionAndFarewellAsText
    core.BaseApp.DefaultBannerAndFarewellAndNoVersionLine
    core.BaseApp.NoLogRecordWritesNoFileButStillFormats
    core.BaseApp.ASecondStartAfterExitFailsAtThePools
    core.BaseApp.AFailingSoundStartIsOnlyLogged
    # Lines ended by "\r\n" with the date in their stamp, texts returned
    # without a log, the current dated file names.
    core.WriteLog.WritesStampedBinaryLinesAndReturnsTheText
    core.WriteLog.WithoutALogTheTextIsStillFormattedAndSeenByTheHook
    core.WriteLog.LongTextsGrowTheFormatBuffer
    core.WriteLog.ConcurrentCallersKeepTheirTextsAndLinesStayWhole
    core.WriteLog.AThreadsFormatAreaGoesWhenTheThreadEnds
    core.LogConsole.RollsOverAfter3500FlushesWithBothMessages
    core.LogConsole.CollectedLinesAreFlushedBeforeTheBufferOverflowsAndOnClose
    core.LogConsole.ATextLongerThanABufferIsCutNotOverrun
    core.LogConsole.ACutNeverSplitsADoubleByteCharacter
    core.LogConsole.DatedNamesUseTheDateAndTickSeconds
    core.OpenLog.AnUnwritableFolderGivesUpAfterBoundedAttempts
    # A module folder without its trailing backslash.
    core.SetWorkPath.ADriveRootIsAWorkFolderAndKeepsItsBackslash
    core.SetWorkPath.NullRestoresTheModuleFolderAndEmptyClears
    # NVX files with the current header word.
    graphics.Nvx.GoldenRawFileLoadsAndSavesByteForByte
    graphics.Nvx.RefusesBadHeaders
    graphics.Nvx.RowBytesBelowWidthIsRefusedAndOtherRowBytesUseThePitchRule
    graphics.Nvx.CompressionTwoGivesTransparentBlack
    graphics.Nvx.LongerRawPayloadIsCutAtTheBlock
    graphics.Nvx.ShorterRawPayloadLeavesTheRestZero
    # The scene alert titled "ISurface".
    drawing.Surface.SecondBeginSceneAlertsAndKeepsTheSceneOpen
    drawing.Surface.AlertIsNotStackedWhileOneIsUp
    # The panel window hidden until the host shows it (the older start shows
    # it while it loads the skin), and the current title bar.
    panel.PanelTest.TheFrameFillsTheWindowAndLaysOutItsControls
    panel.PanelTest.SlotsThroughTheTableTextAndArguments
    # A frame off screen: the older build loads the skin's resources only
    # while a window starts.
    panel.FrameTest.DirectCancelsAndTheTitleBarNotifyAsTheyShould
    panel.FrameTest.TheReceiverActsOnTheTaskMessagesOfListedItems
    end_to_end.PanelHost.AnObjectMakesOneWindowOverAUsableRoot)
list(TRANSFORM FP_CURRENT_ONLY PREPEND "${FP_TEST_NAME_PREFIX}older.")
set_tests_properties(${FP_CURRENT_ONLY} PROPERTIES DISABLED TRUE)
