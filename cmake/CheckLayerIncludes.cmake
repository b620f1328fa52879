# cmake -DRULES=file -P CheckLayerIncludes.cmake: checks the Qt includes of each layer the rules
# file (written by tapestrel_layer_test in Layers.cmake) describes, and lists every one out of
# place. The program's own headers need no check: a layer's include path holds only its own folder
# and those of the layers below it, so the compiler finds no other.
cmake_minimum_required(VERSION 3.25)
include(${RULES})

set(faults "")
foreach(layer IN LISTS layers)
    foreach(source IN LISTS ${layer}_sources)
        file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include")
        foreach(line IN LISTS includes)
            if(line MATCHES "include[ \t]*<((Qt[A-Za-z]+)/)?(Q[A-Za-z]+)>")
                set(module ${CMAKE_MATCH_2})
                set(header ${CMAKE_MATCH_3})
                if(NOT module)
                    file(GLOB owners RELATIVE ${qt_headers} ${qt_headers}/Qt*/${header})
                    set(module "no Qt module")
                    if(owners)
                        list(GET owners 0 owner)
                        get_filename_component(module ${owner} DIRECTORY)
                    endif()
                endif()
                if(NOT module IN_LIST ${layer}_qt_modules)
                    string(APPEND faults
                           "  ${source}: <${header}> is ${module}, which ${layer} does not link\n")
                endif()
            endif()
        endforeach()
    endforeach()
endforeach()

if(faults)
    message(FATAL_ERROR "Qt includes of modules their layer does not link:\n${faults}")
endif()
