# korvane_program(target): what every shipped program gets. Unused code is
# dropped by the linker and symbols are stripped, so that each program stays
# small with the C++ runtime linked in.
function(korvane_program target)
  target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/common/platform/quiet_terminate.cpp)
  target_link_options(${target} PRIVATE -Wl,--gc-sections -s)
endfunction()
