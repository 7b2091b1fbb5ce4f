# The notch's end-to-end test looks at the X server itself; it lays out the notch content
# itself to find where to click.
if(TARGET notch_e2e_test)
    target_link_libraries(notch_e2e_test PRIVATE fadebin_quickdriver fadebin_x11testsupport)
endif()

# The desktop test compares the windows' identity with the desktop entry in the sources.
if(TARGET desktop_program_test)
    target_compile_definitions(desktop_program_test
                               PRIVATE FADEBIN_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
endif()

# The notch's pixels on a real X server, without a compositing manager, bare and under
# openbox, and under xcompmgr.
if(TARGET notch_pixels_x11_test)
    target_link_libraries(notch_pixels_x11_test PRIVATE fadebin_x11testsupport)
endif()
