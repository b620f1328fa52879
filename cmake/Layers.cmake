# The code is layered: each library may use only itself and the libraries below it, and only the
# Qt modules those link. The first the compiler sees to: each library's folder is its include
# directory, handed on only to the libraries above it. tapestrel_layer_test(name targets...) adds
# the test name for the second, which reads every source of the targets and fails on an #include
# of a Qt module not linked: only the platform layer talks to D-Bus, the network or X11.

# Into out_targets: the project's libraries target links to, directly or through others.
function(tapestrel_libraries_below target out_targets)
    set(below "")
    get_target_property(links ${target} LINK_LIBRARIES)
    foreach(link IN LISTS links)
        if(link MATCHES "^tapestrel_" AND NOT link STREQUAL "tapestrel_build_options")
            tapestrel_libraries_below(${link} deeper)
            list(APPEND below ${link} ${deeper})
        endif()
    endforeach()
    list(REMOVE_DUPLICATES below)
    set(${out_targets} "${below}" PARENT_SCOPE)
endfunction()

function(tapestrel_layer_test name)
    set(rules "")
    foreach(target IN LISTS ARGN)
        tapestrel_libraries_below(${target} below)
        set(sources "")
        set(qt_modules "")
        foreach(layer IN ITEMS ${target} ${below})
            get_target_property(layer_sources ${layer} SOURCES)
            get_target_property(layer_directory ${layer} SOURCE_DIR)
            foreach(source IN LISTS layer_sources)
                if(layer STREQUAL target AND source MATCHES "\\.(cpp|h)$")
                    list(APPEND sources ${layer_directory}/${source})
                endif()
            endforeach()
            # A library's own Qt modules, and those the libraries below hand on to their users.
            if(layer STREQUAL target)
                get_target_property(links ${layer} LINK_LIBRARIES)
            else()
                get_target_property(links ${layer} INTERFACE_LINK_LIBRARIES)
            endif()
            foreach(link IN LISTS links)
                if(link MATCHES "^Qt6::(.+)$")
                    list(APPEND qt_modules Qt${CMAKE_MATCH_1})
                endif()
            endforeach()
        endforeach()
        list(REMOVE_DUPLICATES qt_modules)
        string(APPEND rules "list(APPEND layers ${target})\n"
                            "set(${target}_sources \"${sources}\")\n"
                            "set(${target}_qt_modules \"${qt_modules}\")\n")
    endforeach()
    # Qt's headers live in one folder per module: QtCore/QString.
    get_target_property(qt_core_includes Qt6::Core INTERFACE_INCLUDE_DIRECTORIES)
    foreach(directory IN LISTS qt_core_includes)
        if(directory MATCHES "/QtCore$")
            get_filename_component(qt_headers ${directory} DIRECTORY)
        endif()
    endforeach()
    string(APPEND rules "set(qt_headers \"${qt_headers}\")\n")
    file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/${name}.cmake "${rules}")
    add_test(NAME ${name}
        COMMAND ${CMAKE_COMMAND} -DRULES=${CMAKE_CURRENT_BINARY_DIR}/${name}.cmake
                -P ${PROJECT_SOURCE_DIR}/cmake/CheckLayerIncludes.cmake)
endfunction()
