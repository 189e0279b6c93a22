# A program's resource script (.rc) on both builds from the one file.
#
# add_host_resources(TARGET SCRIPT): on Windows the script is compiled into the program by the
# resource compiler. On the host its text, with the quoted headers it includes inlined, is
# embedded into a generated source that hands it to hostwin, which reads the dialog templates
# from it when the program creates a dialog.
#
# Run as a script (cmake -P) it writes that generated source: -DRC_FILE=... -DOUTPUT=...

if(CMAKE_SCRIPT_MODE_FILE)
  # The script's text with each #include "header" line replaced by the header's own text.
  function(inline_quoted_includes file out_var)
    get_filename_component(dir ${file} DIRECTORY)
    file(READ ${file} text)
    set(text "\n${text}")
    string(REGEX MATCHALL "\n[ \t]*#[ \t]*include[ \t]*\"[^\"\n]+\"[^\n]*" includes "${text}")
    foreach(line IN LISTS includes)
      string(REGEX MATCH "\"([^\"]+)\"" quoted "${line}")
      inline_quoted_includes(${dir}/${CMAKE_MATCH_1} header)
      string(REPLACE "${line}" "\n${header}" text "${text}")
    endforeach()
    string(SUBSTRING "${text}" 1 -1 text)
    set(${out_var} "${text}" PARENT_SCOPE)
  endfunction()

  inline_quoted_includes(${RC_FILE} script)
  get_filename_component(name ${RC_FILE} NAME)
  # As bytes, so that nothing in the script can break the generated source.
  string(HEX "${script}" hex)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){16})" "\\1\n    " bytes "${bytes}")
  file(WRITE ${OUTPUT}.tmp
    "// Generated from ${name} by cmake/HostResources.cmake; do not edit.\n"
    "namespace hostwin {\n"
    "bool RegisterResourceScript(const char* name, const unsigned char* text, unsigned long size);\n"
    "}\n\n"
    "namespace {\n"
    "const unsigned char kScript[] = {\n    ${bytes}\n};\n"
    "[[maybe_unused]] const bool kRegistered =\n"
    "    hostwin::RegisterResourceScript(\"${name}\", kScript, sizeof kScript);\n"
    "} // namespace\n")
  file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
  file(REMOVE ${OUTPUT}.tmp)
  return()
endif()

set(HOST_RESOURCES_SCRIPT ${CMAKE_CURRENT_LIST_FILE})

function(add_host_resources target script)
  get_filename_component(script_path ${script} ABSOLUTE)
  if(WIN32)
    target_sources(${target} PRIVATE ${script_path})
    return()
  endif()
  # The headers that the script includes by quoted name, so that editing one rebuilds.
  get_filename_component(script_dir ${script_path} DIRECTORY)
  file(STRINGS ${script_path} include_lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  set(headers "")
  foreach(line IN LISTS include_lines)
    if(line MATCHES "\"([^\"]+)\"")
      list(APPEND headers ${script_dir}/${CMAKE_MATCH_1})
    endif()
  endforeach()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${script_path})

  get_filename_component(script_name ${script_path} NAME_WE)
  set(output ${CMAKE_CURRENT_BINARY_DIR}/${target}_${script_name}_resources.cpp)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DRC_FILE=${script_path} -DOUTPUT=${output}
            -P ${HOST_RESOURCES_SCRIPT}
    DEPENDS ${script_path} ${headers} ${HOST_RESOURCES_SCRIPT}
    COMMENT "Embedding ${script_name}.rc for ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE ${output})
endfunction()
