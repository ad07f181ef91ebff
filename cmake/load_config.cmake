# DependentLoadFlags for a shipped executable (src/sys/load_config_win.cpp). The link asks for
# `_load_config_used` (which also keeps it through --gc-sections) and writes a map; a post-link
# step reads the structure's address from the map and points the image's load-config
# directory at it, since the GNU linker leaves that directory empty (tools/set-load-config).
find_package(Python3 REQUIRED COMPONENTS Interpreter)

function(vl_set_load_config target)
  set(map "${CMAKE_CURRENT_BINARY_DIR}/${target}.map")
  target_link_options(${target} PRIVATE -Wl,--require-defined=__load_config_used "-Wl,-Map=${map}")
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND Python3::Interpreter "${CMAKE_SOURCE_DIR}/tools/set-load-config"
            "$<TARGET_FILE:${target}>" "${map}"
    VERBATIM)
endfunction()
