# Compile settings shared by every target of the suite, in one INTERFACE target.
add_library(ovix_settings INTERFACE)
target_compile_features(ovix_settings INTERFACE cxx_std_20)
target_compile_options(ovix_settings INTERFACE
    $<$<COMPILE_LANGUAGE:CXX,C>:-Wall -Wextra>
    $<$<AND:$<COMPILE_LANGUAGE:CXX,C>,$<BOOL:${OVIX_WERROR}>>:-Werror>)
# Includes read from the repository root: "agent/...", "platform/net/...", "common/...".
target_include_directories(ovix_settings INTERFACE ${PROJECT_SOURCE_DIR})
find_package(Threads REQUIRED)
target_link_libraries(ovix_settings INTERFACE Threads::Threads)
