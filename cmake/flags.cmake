# Reproducible floating point on every target: no contraction into fused
# multiply-adds, no fast-math, SSE2 arithmetic instead of x87 on 32-bit x86.
add_compile_options(-Wall -Wextra -ffp-contract=off -fno-fast-math)
if(NOT EMSCRIPTEN AND (CMAKE_SYSTEM_PROCESSOR MATCHES "^(i[3-6]86|x86)$" OR CMAKE_SIZEOF_VOID_P EQUAL 4))
  add_compile_options(-msse2 -mfpmath=sse)
endif()

if(INTRO_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# Lists the given files if they exist; lets a subsystem grow file by file.
function(intro_existing out)
  set(result)
  foreach(f ${ARGN})
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${f})
      list(APPEND result ${f})
    endif()
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()
