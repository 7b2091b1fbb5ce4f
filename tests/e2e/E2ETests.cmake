# The notch's end-to-end test on X looks at the X server itself (bare, under openbox and under
# xcompmgr); it lays out the notch content itself to find where to click.
target_link_libraries(notch_e2e_test PRIVATE fadebin_quickdriver fadebin_x11testsupport)

# The desktop test compares the windows' identity with the desktop entry in the sources.
target_compile_definitions(desktop_program_test PRIVATE FADEBIN_SOURCE_DIR="${PROJECT_SOURCE_DIR}")

# The notch on a private headless sway, driven with a virtual pointer; clicks that go through
# the panel land on a window of a second process below it, which the X11 drag test drags from.
add_executable(fadebin_click_window ${CMAKE_CURRENT_LIST_DIR}/ClickWindow.cpp)
target_link_libraries(fadebin_click_window PRIVATE Qt6::Gui)
# The texts of the settings window's note, which the log repeats where no notch shows.
target_link_libraries(notch_wayland_test PRIVATE fadebin_notch fadebin_periphery
                      fadebin_quickdriver fadebin_waylandtestsupport Qt6::Gui)
add_dependencies(notch_wayland_test fadebin_click_window)
target_compile_definitions(notch_wayland_test
                           PRIVATE FADEBIN_CLICK_WINDOW="$<TARGET_FILE:fadebin_click_window>")
