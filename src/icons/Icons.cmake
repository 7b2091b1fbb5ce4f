# The icon artwork (resources/icons/NAME.svg), compiled into fadebin_icons and read as
# ":/icons/NAME.svg".
file(GLOB FADEBIN_ICON_FILES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/resources/icons/*.svg)
qt_add_resources(fadebin_icons "fadebin_icons" PREFIX "/icons"
                 BASE ${PROJECT_SOURCE_DIR}/resources/icons
                 FILES ${FADEBIN_ICON_FILES})
