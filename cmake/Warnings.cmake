# Warnings are on for the project's own code in both builds.
set(EQU_WARNING_FLAGS -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
    -Wcast-qual -Wformat=2 -Wimplicit-fallthrough)
# GCC 12 reports -Wrestrict falsely inside std::string concatenation at -O2 and above
# (GCC bug 105651); the warning says nothing about this project's code there.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  list(APPEND EQU_WARNING_FLAGS -Wno-restrict)
endif()
if(EQU_WERROR)
  list(APPEND EQU_WARNING_FLAGS -Werror)
endif()

function(equ_warnings target)
  target_compile_options(${target} PRIVATE ${EQU_WARNING_FLAGS})
endfunction()
