# Compiles a resource script to a .res table and links it into a module, where the layer's
# FindResourceW and LoadResource find it.

find_program(KEYHOLM_RC NAMES llvm-rc llvm-rc-14 llvm-rc-15 REQUIRED)

function(keyholm_add_resources target rc_file)
  get_filename_component(rc_abs "${rc_file}" ABSOLUTE)
  get_filename_component(rc_dir "${rc_abs}" DIRECTORY)
  get_filename_component(rc_name "${rc_abs}" NAME_WE)
  set(res "${CMAKE_CURRENT_BINARY_DIR}/${target}_${rc_name}.res")
  set(src "${CMAKE_CURRENT_BINARY_DIR}/${target}_${rc_name}_res.cpp")
  file(GLOB rc_inputs "${rc_dir}/*")   # what the script may name lies beside it
  add_custom_command(
    OUTPUT "${res}"
    # "--" keeps an input path such as /check/... from reading as a slash option
    COMMAND ${KEYHOLM_RC} -no-preprocess /C 65001 /FO "${res}" -- "${rc_abs}"
    WORKING_DIRECTORY "${rc_dir}"
    DEPENDS ${rc_inputs}
    COMMENT "Compiling resources ${rc_file}"
    VERBATIM)
  string(MAKE_C_IDENTIFIER "${target}_${rc_name}" sym)
  configure_file("${KEYHOLM_CMAKE_DIR}/resources.cpp.in" "${src}" @ONLY)
  set_source_files_properties("${src}" PROPERTIES OBJECT_DEPENDS "${res}")
  target_sources(${target} PRIVATE "${src}")
endfunction()
