# One warning set for every target of the project. Format strings are checked at
# compile time (the formatting helper carries the printf attribute), so a wrong
# argument type is a build error, not a garbled operator message.
function(varnet_warnings target)
    target_compile_options(${target} PRIVATE
        -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align
        -Wformat=2 -Werror=format -Werror=format-security -Wimplicit-fallthrough
        -Werror=return-type)
endfunction()
