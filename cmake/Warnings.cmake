# Warnings are on for the project's own code in both builds.
set(EQU_WARNING_FLAGS -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
    -Wcast-qual -Wformat=2 -Wimplicit-fallthrough)
if(EQU_WERROR)
  list(APPEND EQU_WARNING_FLAGS -Werror)
endif()

function(equ_warnings target)
  target_compile_options(${target} PRIVATE ${EQU_WARNING_FLAGS})
endfunction()
