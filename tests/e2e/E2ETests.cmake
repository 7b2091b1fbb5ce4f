# The notch's end-to-end test on X looks at the X server itself (bare, under openbox and under
# xcompmgr) and types into it; it lays out the notch content itself to find where to click.
target_link_libraries(notch_e2e_test PRIVATE fadebin_quickdriver fadebin_x11testsupport)

# The desktop test compares the windows' identity with the desktop entry in the sources.
target_compile_definitions(desktop_program_test PRIVATE FADEBIN_SOURCE_DIR="${PROJECT_SOURCE_DIR}")

# A window of a second process below the notch: it writes down the clicks that go through the
# panel, and drags a file onto it (e2e/ClickWindow.cpp).
add_executable(fadebin_click_window ${CMAKE_CURRENT_LIST_DIR}/ClickWindow.cpp)
target_link_libraries(fadebin_click_window PRIVATE Qt6::Gui)
foreach(test notch_e2e_test notch_wayland_test)
    add_dependencies(${test} fadebin_click_window)
    target_compile_definitions(${test} PRIVATE FADEBIN_CLICK_WINDOW="$<TARGET_FILE:fadebin_click_window>")
endforeach()
# The notch on a private headless sway driven with a virtual pointer, and on a headless weston;
# the log repeats the settings window's note where no notch shows.
target_link_libraries(notch_wayland_test PRIVATE fadebin_notch fadebin_periphery
                      fadebin_quickdriver fadebin_waylandtestsupport Qt6::Gui)

# The accessibility test reads the program's tree through AT-SPI with its own pyatspi probe.
target_link_libraries(accessibility_e2e_test PRIVATE fadebin_x11testsupport fadebin_periphery)
target_compile_definitions(accessibility_e2e_test
                           PRIVATE FADEBIN_ATSPI_PROBE="${CMAKE_CURRENT_LIST_DIR}/atspi_probe.py")
