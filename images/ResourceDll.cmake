# A DLL that is nothing but resources: no code, no entry point, no imports, so it
# loads on any Windows version and running it can do nothing. DEPENDS lists the
# files the .rc pulls in, so a changed picture relinks the DLL.
function(suite_resource_dll target)
  cmake_parse_arguments(ARG "" "OUTPUT_NAME;RC;FOLDER" "DEPENDS" ${ARGN})
  add_library(${target} SHARED ${ARG_RC} ${ARG_DEPENDS})
  set_source_files_properties(${ARG_RC} PROPERTIES OBJECT_DEPENDS "${ARG_DEPENDS}")
  set_target_properties(${target} PROPERTIES
    PREFIX "" OUTPUT_NAME ${ARG_OUTPUT_NAME} LINKER_LANGUAGE C
    # Several of these share an output name; their (empty) import libraries must not collide.
    ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib/${target})
  if(ARG_FOLDER)
    set_target_properties(${target} PROPERTIES
      RUNTIME_OUTPUT_DIRECTORY ${SUITE_BIN}/${ARG_FOLDER}
      LIBRARY_OUTPUT_DIRECTORY ${SUITE_BIN}/${ARG_FOLDER})
  endif()
  set(script ${CMAKE_SOURCE_DIR}/images/resource-only.ld)
  target_link_options(${target} PRIVATE
    -nostdlib -Wl,-e,0 -Wl,--no-insert-timestamp -Wl,-T,${script})
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${script})
endfunction()
