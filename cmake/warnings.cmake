# Warnings are errors on both toolchains; applied per target so that third-party code is spared.
function(kprt5_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
    -Wsign-conversion -Wold-style-cast -Wnon-virtual-dtor -Werror)
endfunction()
