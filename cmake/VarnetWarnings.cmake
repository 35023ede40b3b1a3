# One warning set for every target of the project. Format strings are checked at
# compile time (the formatting helper carries the printf attribute), so a wrong
# argument type is a build error, not a garbled operator message.
#
# VARNET_WERROR turns every warning of the project's own code into an error
# (the release build of ./test.sh). Should GCC 12's known false positives
# inside the standard library's headers (-Wrestrict, -Warray-bounds,
# -Wstringop-overflow on inlined std::string code) appear, silence the one
# diagnostic at the one place it fires, never the class for the whole tree.
option(VARNET_WERROR "Treat the project's warnings as errors" OFF)
function(varnet_warnings target)
    target_compile_options(${target} PRIVATE
        -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align
        -Wformat=2 -Werror=format -Werror=format-security -Wimplicit-fallthrough
        -Werror=return-type)
    if(VARNET_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
