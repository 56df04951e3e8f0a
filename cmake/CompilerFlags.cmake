# Warnings and the floating-point rules of the arithmetic: no contraction of
# a*b+c into one rounding, and no optimisation that assumes the
# rounding mode or moves arithmetic across the tests of the exception flags.
function(secant_apply_flags target)
    if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
        target_compile_options(${target} PRIVATE
            -Wall -Wextra -Wpedantic
            -ffp-contract=off
            -ftrapping-math)
        if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
            target_compile_options(${target} PRIVATE -frounding-math)
        endif()
    endif()
endfunction()
