# Every target of the project builds warning-free; a warning is an error.
function(r27_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror -Wshadow -Wnon-virtual-dtor)
  # GCC 12 at -O2 reports out-of-bounds copies inside std::vector::insert that
  # cannot happen (GCC bug 107852); the sanitizer build checks the real bounds.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12)
    target_compile_options(${target} PRIVATE -Wno-array-bounds -Wno-stringop-overflow -Wno-stringop-overread -Wno-restrict)
  endif()
endfunction()
