# Warnings and sanitizers for every target of the project, through one INTERFACE target.
add_library(tapestrel_build_options INTERFACE)

target_compile_options(tapestrel_build_options INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
    # Source locations in status reports name files relative to the source tree.
    -ffile-prefix-map=${CMAKE_SOURCE_DIR}/=)

if(TAPESTREL_WERROR)
    target_compile_options(tapestrel_build_options INTERFACE -Werror)
endif()

if(TAPESTREL_SANITIZE)
    set(sanitizers -fsanitize=address,undefined -fno-sanitize-recover=undefined
                   -fno-omit-frame-pointer)
    target_compile_options(tapestrel_build_options INTERFACE ${sanitizers})
    target_link_options(tapestrel_build_options INTERFACE ${sanitizers})
endif()
