# The size build (scripts/build-64k.sh): the same sources, optimised for size.
# Included right after project() through CMAKE_PROJECT_INCLUDE, so that every
# target, the tests included, is compiled with the same flags. None of them
# changes floating-point results: -ffp-contract=off and SSE2 arithmetic
# (cmake/flags.cmake) still hold, and -Os only chooses shorter code.
# No -fdata-sections: mingw-w64's GCC then puts zero-initialised arrays into
# .data$ sections, which the file would carry as initialised bytes.
set(INTRO_SIZE ON)
add_compile_definitions(INTRO_SIZE=1)
add_compile_options(-Os -ffunction-sections
                    -fno-asynchronous-unwind-tables -fno-unwind-tables
                    $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions>
                    $<$<COMPILE_LANGUAGE:CXX>:-fno-rtti>)
add_link_options(-Wl,--gc-sections)

# The product itself: a map file for the size report, then stripped.
function(intro_size_product)
  if(TARGET intro)
    target_link_options(intro PRIVATE -s "-Wl,-Map=$<TARGET_FILE:intro>.map")
  endif()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL intro_size_product)
