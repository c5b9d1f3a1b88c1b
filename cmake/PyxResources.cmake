# pyx_add_resources(TARGET NAMESPACE FUNCTION DIRECTORY)
# Compiles every file of DIRECTORY into TARGET as a named resource. The
# generated source defines `const vcl::TResourceTable& NAMESPACE::FUNCTION()`
# (declare it in the package's header); a resource is named after its file
# without the extension, upper-cased. The table is regenerated at build time
# whenever a file changes; adding or removing files re-runs CMake.
function(pyx_add_resources TARGET NAMESPACE FUNCTION DIRECTORY)
  file(GLOB _files CONFIGURE_DEPENDS LIST_DIRECTORIES false ${DIRECTORY}/*)
  list(SORT _files)
  set(_out ${CMAKE_CURRENT_BINARY_DIR}/${TARGET}_${FUNCTION}_resources.cpp)
  set(_script ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/PyxEmbedResources.cmake)
  # A list cannot travel through the command line: separate with "|".
  string(REPLACE ";" "|" _arg "${_files}")
  add_custom_command(OUTPUT ${_out}
    COMMAND ${CMAKE_COMMAND} -DOUT=${_out} -DNAMESPACE=${NAMESPACE} -DFUNCTION=${FUNCTION}
            "-DFILES=${_arg}" -P ${_script}
    DEPENDS ${_files} ${_script}
    COMMENT "Embedding resources of ${TARGET}"
    VERBATIM)
  target_sources(${TARGET} PRIVATE ${_out})
endfunction()
