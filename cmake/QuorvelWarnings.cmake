# Warnings on, and errors, for our own targets only.
function(quorvel_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /WX /utf-8 /permissive-)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic
                           -Wshadow -Wconversion -Wsign-conversion -Werror)
  endif()
endfunction()
