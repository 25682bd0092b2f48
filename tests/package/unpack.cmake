# cmake -DZIP=<zip> -DDEST=<folder> -P unpack.cmake: unpacks the zip into an empty folder.
if(NOT EXISTS "${ZIP}")
  message(FATAL_ERROR "no package ${ZIP}")
endif()
file(REMOVE_RECURSE "${DEST}")
file(MAKE_DIRECTORY "${DEST}")
file(ARCHIVE_EXTRACT INPUT "${ZIP}" DESTINATION "${DEST}")
