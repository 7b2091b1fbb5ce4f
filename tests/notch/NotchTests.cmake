# The X11 drag test drags from a second process (e2e/ClickWindow.cpp), moved with xdotool.
if(TARGET drag_x11_test)
    add_dependencies(drag_x11_test fadebin_click_window)
    target_compile_definitions(drag_x11_test
                               PRIVATE FADEBIN_DRAG_SOURCE="$<TARGET_FILE:fadebin_click_window>")
endif()

# Tests on a private X server of their own.
foreach(test drag_x11_test notch_panel_x11_test scaled_pointer_x11_test)
    if(TARGET ${test})
        target_link_libraries(${test} PRIVATE fadebin_x11testsupport)
    endif()
endforeach()
