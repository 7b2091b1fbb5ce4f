# The notch's QML module Fadebin.Notch, compiled into fadebin_notch together with its C++
# types (QML_ELEMENT): the library is its own plugin, so the program carries all of it and
# needs nothing from the build tree at run time.
if(TARGET fadebin_notch)
    file(GLOB FADEBIN_NOTCH_QML CONFIGURE_DEPENDS RELATIVE ${CMAKE_CURRENT_SOURCE_DIR}
         ${CMAKE_CURRENT_SOURCE_DIR}/qml/*.qml)
    # At the module's root, so that each file is a type of the module.
    foreach(file ${FADEBIN_NOTCH_QML})
        get_filename_component(name ${file} NAME)
        set_source_files_properties(${file} PROPERTIES QT_RESOURCE_ALIAS ${name})
    endforeach()
    qt_add_qml_module(fadebin_notch
        URI Fadebin.Notch
        VERSION 1.0
        PLUGIN_TARGET fadebin_notch
        RESOURCE_PREFIX /qt/qml
        IMPORT_PATH ${PROJECT_BINARY_DIR}/qml
        OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/qml/Fadebin/Notch
        QML_FILES ${FADEBIN_NOTCH_QML})
    # The generated plugin class is compiled into this static library, so it must declare
    # itself a static plugin; Qt links an importer of it into every user of the library.
    target_compile_definitions(fadebin_notch PRIVATE QT_STATICPLUGIN)
endif()

# qmlcachegen's generated C++ does not pass our warnings; it is Qt's code, not ours.
if(TARGET fadebin_notch)
    get_target_property(fadebin_notch_sources fadebin_notch SOURCES)
    list(FILTER fadebin_notch_sources INCLUDE REGEX "qmlcache/.*\\.cpp$")
    set_source_files_properties(${fadebin_notch_sources} TARGET_DIRECTORY fadebin_notch
                                PROPERTIES COMPILE_OPTIONS "-Wno-shadow;-Wno-unused-parameter;-Wno-old-style-cast;-Wno-pedantic")
endif()
