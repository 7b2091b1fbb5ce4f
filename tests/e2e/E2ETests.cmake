# The notch's end-to-end test on X looks at the X server itself (bare, under openbox and under
# xcompmgr); it lays out the notch content itself to find where to click.
target_link_libraries(notch_e2e_test PRIVATE fadebin_quickdriver fadebin_x11testsupport)

# The desktop test compares the windows' identity with the desktop entry in the sources.
target_compile_definitions(desktop_program_test PRIVATE FADEBIN_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
