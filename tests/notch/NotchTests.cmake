# A second process the X11 drag test drags from, moved with xdotool.
add_executable(fadebin_drag_source ${CMAKE_CURRENT_LIST_DIR}/DragSource.cpp)
target_link_libraries(fadebin_drag_source PRIVATE Qt6::Gui)
if(TARGET drag_x11_test)
    add_dependencies(drag_x11_test fadebin_drag_source)
    target_compile_definitions(drag_x11_test
                               PRIVATE FADEBIN_DRAG_SOURCE="$<TARGET_FILE:fadebin_drag_source>")
endif()

# Tests on a private X server of their own.
foreach(test drag_x11_test notch_panel_x11_test scaled_pointer_x11_test)
    if(TARGET ${test})
        target_link_libraries(${test} PRIVATE fadebin_x11testsupport)
    endif()
endforeach()

# The icon test draws the artwork itself.
if(TARGET icons_test)
    target_link_libraries(icons_test PRIVATE fadebin_icons)
endif()
