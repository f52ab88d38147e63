# High warnings for every target of the project; errors when OVX_WERROR is on (CI).
add_compile_options(
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
    -Wcast-align -Wformat=2 -Wundef)
if(OVX_WERROR)
    add_compile_options(-Werror)
endif()
