# The size build (scripts/build-64k.sh): the same sources, optimised for size.
# Included right after project() through CMAKE_PROJECT_INCLUDE, so that every
# target, the tests included, is compiled with the same flags. None of them
# changes floating-point results: -ffp-contract=off and SSE2 arithmetic
# (cmake/flags.cmake) still hold, and -Os only chooses shorter code.
# No -fdata-sections: mingw-w64's GCC then puts zero-initialised arrays into
# .data$ sections, which the file would carry as initialised bytes.
# INTRO_SIZE also leaves out the AVX2 and AVX-512 paths (the synthesiser's
# lanes, envelope and decimation, the texture generator's rules and blending):
# they give the same bits as the plain loops that remain.
set(INTRO_SIZE ON)
add_compile_definitions(INTRO_SIZE=1)
add_compile_options(-Os -ffunction-sections
                    -fno-asynchronous-unwind-tables -fno-unwind-tables
                    $<$<COMPILE_LANGUAGE:CXX>:-fno-threadsafe-statics>
                    $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions>
                    $<$<COMPILE_LANGUAGE:CXX>:-fno-rtti>)
add_link_options(-Wl,--gc-sections)

# No -fthreadsafe-statics: the function-local statics of the program hold
# values that every thread computes alike (which vector paths the processor
# has), and the guards would link the runtime's exception machinery.

# The artwork points as small integer steps (size/pack_artwork.py), made when
# the build is configured and again whenever the drawings change; the texture
# generator is compiled with them instead of the table of doubles.
set(intro_artwork ${CMAKE_SOURCE_DIR}/texgen/artwork/artwork_points.cpp)
set(intro_artwork_packed ${CMAKE_BINARY_DIR}/size/artwork_points.cpp)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/size)
execute_process(COMMAND python3 ${CMAKE_SOURCE_DIR}/size/pack_artwork.py
                        ${intro_artwork} ${intro_artwork_packed}
                COMMAND_ERROR_IS_FATAL ANY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${intro_artwork} ${CMAKE_SOURCE_DIR}/size/pack_artwork.py)

function(intro_size_artwork)
  if(TARGET texgen)
    get_target_property(sources texgen SOURCES)
    list(FILTER sources EXCLUDE REGEX "artwork_points\\.cpp$")
    list(APPEND sources ${intro_artwork_packed})
    set_property(TARGET texgen PROPERTY SOURCES ${sources})
  endif()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL intro_size_artwork)

# The product itself: the runtime pieces of size/runtime_win32.cpp, the C
# library's own printf (size/stdio_win32.c) for the one message it prints, no base relocations (a
# program is loaded at its preferred address), a map file for the size report,
# then stripped.
function(intro_size_product)
  if(TARGET intro)
    target_sources(intro PRIVATE ${CMAKE_SOURCE_DIR}/size/runtime_win32.cpp
                                 ${CMAKE_SOURCE_DIR}/size/stdio_win32.c)
    target_link_options(intro PRIVATE -s -Wl,--disable-reloc-section
                        "-Wl,-Map=$<TARGET_FILE:intro>.map")
  endif()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL intro_size_product)
