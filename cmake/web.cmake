# The web build (Emscripten): the program as intro.js + intro.wasm in
# ${CMAKE_BINARY_DIR}/site, beside the page (web/page) and the two web fonts,
# which are cut from the installed font packages at build time down to the
# characters the show draws (web/web_fonts.py, Debian's fonttools).
set(INTRO_SITE_DIR ${CMAKE_BINARY_DIR}/site)
add_compile_options(-include ${PROJECT_SOURCE_DIR}/web/bit_cast.h)
# WebAssembly SIMD (browsers from 2021 on), and SSE2 as Emscripten maps it
# onto it, for the start-up's number crunching (synth/, texgen/): the SSE2
# paths of the native x86 build (the texture generator's blending, the PCM
# conversion) are taken here too. Neither changes a result: no fast-math, no
# contraction, so vectorised loops compute what the scalar ones do.
set(INTRO_WEB_SIMD -msimd128 -msse2)
set(INTRO_TAHOMA_FONT /usr/share/wine/fonts/tahoma.ttf CACHE FILEPATH "Tahoma (fonts-wine)")
set(INTRO_SYMBOL_FONT /usr/share/fonts/truetype/ancient-scripts/Symbola_hint.ttf
    CACHE FILEPATH "Symbola, the symbol fallback face (fonts-symbola)")

function(intro_web_program target)
  foreach(font ${INTRO_TAHOMA_FONT} ${INTRO_SYMBOL_FONT})
    if(NOT EXISTS ${font})
      message(FATAL_ERROR "${font} is missing: install fonts-wine and fonts-symbola")
    endif()
  endforeach()
  set(library ${PROJECT_SOURCE_DIR}/web/library_web.js)
  set_target_properties(${target} PROPERTIES
    SUFFIX ".js"
    RUNTIME_OUTPUT_DIRECTORY ${INTRO_SITE_DIR}
    LINK_DEPENDS ${library})
  target_link_options(${target} PRIVATE
    --js-library ${library}
    -sMODULARIZE=1 -sEXPORT_NAME=createIntro -sENVIRONMENT=web
    -sMIN_WEBGL_VERSION=2 -sMAX_WEBGL_VERSION=2
    # Every present yields to the browser; only the direct calls down to the
    # two yielding imports are instrumented.
    -sASYNCIFY=1 "-sASYNCIFY_IMPORTS=[\"webYield\",\"webExit\"]" -sASYNCIFY_IGNORE_INDIRECT=1
    # The static areas (mix buses, layer stack, PCM buffer) take about 330 MiB.
    -sINITIAL_MEMORY=402653184 -sALLOW_MEMORY_GROWTH=1 -sMAXIMUM_MEMORY=2147483648
    -sTOTAL_STACK=8388608)
  set(page ${PROJECT_SOURCE_DIR}/web/page)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${page}/index.html ${page}/page.js
            ${page}/favicon.svg ${page}/synth_worker.js ${INTRO_SITE_DIR}
    VERBATIM)
  set(fonts ${INTRO_SITE_DIR}/fonts)
  set(fonts_script ${PROJECT_SOURCE_DIR}/web/web_fonts.py)
  set(recipes ${PROJECT_SOURCE_DIR}/texgen/recipes.cpp)
  set(symbol_table ${PROJECT_SOURCE_DIR}/platform/symbol_fallback.h)
  add_custom_command(
    OUTPUT ${fonts}/tahoma.woff2 ${fonts}/symbola.woff2 ${fonts}/metrics.json
    # The full fonts an earlier build copied are no part of the site.
    COMMAND ${CMAKE_COMMAND} -E rm -f ${fonts}/tahoma.ttf ${fonts}/symbola.ttf
    COMMAND ${fonts_script} ${INTRO_TAHOMA_FONT} ${INTRO_SYMBOL_FONT} ${recipes} ${symbol_table} ${fonts}
    DEPENDS ${fonts_script} ${INTRO_TAHOMA_FONT} ${INTRO_SYMBOL_FONT} ${recipes} ${symbol_table}
    COMMENT "Cutting the web fonts down to the characters the show draws"
    VERBATIM)
  add_custom_target(${target}_web_fonts ALL
    DEPENDS ${fonts}/tahoma.woff2 ${fonts}/symbola.woff2 ${fonts}/metrics.json)
endfunction()
