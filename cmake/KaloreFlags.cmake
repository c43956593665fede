# Compiler flags shared by every target of the project.
function(kalore_apply_flags target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
    target_compile_definitions(${target} PRIVATE _GLIBCXX_ASSERTIONS)
    if(KALORE_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

if(KALORE_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

if(KALORE_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()
