# The version resource of every program comes from the project's version.
# korvane_version_resource(target "korvaned.exe" "Korvane daemon") adds one.
set(KORVANE_COMPANY "Korvane Project")
set(KORVANE_WEBSITE "https://korvane.example.org/" CACHE STRING "Web site shown by the controller")
set(KORVANE_EMAIL "korvane@example.org" CACHE STRING "E-mail address shown by the controller")

function(korvane_version_resource target file_name description)
  set(KORVANE_FILE_NAME ${file_name})
  set(KORVANE_FILE_DESCRIPTION ${description})
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/version.rc.in ${out} @ONLY)
  target_sources(${target} PRIVATE ${out})
endfunction()
