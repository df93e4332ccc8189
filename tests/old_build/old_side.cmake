# Read by the old tree's configure right after its project() (CMAKE_PROJECT_INCLUDE): once the
# old CMakeLists has made its targets, the old side joins them, linked to the store as that
# build's program links it. LQ_OLD_SIDE_DIR is this folder.
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL lq_add_old_side)

function(lq_add_old_side)
  # The sheet's lines are the old export's own (app/tracking_sheet.cpp). The rest of that file
  # (the save dialog, the list's reload) needs the window layers; each function in a section of
  # its own lets the linker drop what nothing here calls, so they need not be built.
  add_executable(old_side ${LQ_OLD_SIDE_DIR}/old_side.cpp ${CMAKE_SOURCE_DIR}/app/tracking_sheet.cpp
                          ${CMAKE_SOURCE_DIR}/services/date_format.cpp)
  target_compile_options(old_side PRIVATE -ffunction-sections)
  target_link_options(old_side PRIVATE -Wl,--gc-sections)
  target_link_libraries(old_side PRIVATE lq_store lq_warnings)
  # The old tree is built without -Werror (a newer compiler may warn about code that can no
  # longer change); this file is held to it.
  set_source_files_properties(${LQ_OLD_SIDE_DIR}/old_side.cpp PROPERTIES COMPILE_OPTIONS -Werror)
endfunction()
