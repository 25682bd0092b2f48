# korvane_manifest(target "description") embeds the application manifest:
# common controls version 6, system DPI awareness, no elevation, and the
# Windows versions the programs were made for.
function(korvane_manifest target description)
  set(KORVANE_MANIFEST_NAME ${target})
  set(KORVANE_MANIFEST_DESCRIPTION ${description})
  set(manifest ${CMAKE_CURRENT_BINARY_DIR}/${target}.manifest)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/app.manifest.in ${manifest} @ONLY)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_manifest.rc)
  # 1: the manifest the loader reads at process creation; 24: RT_MANIFEST.
  file(CONFIGURE OUTPUT ${rc} CONTENT "1 24 \"${manifest}\"\n")
  target_sources(${target} PRIVATE ${rc})
  set_property(SOURCE ${rc} APPEND PROPERTY OBJECT_DEPENDS ${manifest})
endfunction()
