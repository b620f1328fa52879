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

# Debian's hardening for the release build, which the package ships: fortified libc calls (they
# need the optimizer) and a read-only GOT bound at start. The sanitizers, the fuzzers' too, replace
# those libc calls with their own, so not with them.
if(NOT TAPESTREL_SANITIZE AND NOT TAPESTREL_FUZZ)
    target_compile_definitions(tapestrel_build_options INTERFACE
        $<$<CONFIG:Release>:_FORTIFY_SOURCE=2>)
    target_link_options(tapestrel_build_options INTERFACE
        $<$<CONFIG:Release>:LINKER:-z,relro,-z,now>)
endif()
