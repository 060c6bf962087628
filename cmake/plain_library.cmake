# orvane_plain_library(NAME SOURCES...): a static library of the calling
# folder in plain C++17, no Qt, its headers found by bare name, built with
# the compiler's warnings.
function(orvane_plain_library name)
    add_library(${name} STATIC ${ARGN})
    target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    target_compile_features(${name} PUBLIC cxx_std_17)
    if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
        target_compile_options(${name} PRIVATE -Wall -Wextra)
    endif()
endfunction()
