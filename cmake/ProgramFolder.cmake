# Lays out the program folder next to the executable: Files/ (help, templates, scratch
# database, splash text), Databases/, Shape/, Images/, Excel/, all from the generated sample.
file(GLOB QUARNARO_HELP_FILES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/data/help/*)
file(GLOB QUARNARO_TEMPLATE_FILES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/data/templates/*)
set(QUARNARO_PROGRAM_STAMP ${CMAKE_BINARY_DIR}/program.stamp)
set(_program_deps sample_databases)
if(TARGET sample_geography)
  list(APPEND _program_deps sample_geography)
endif()
add_custom_command(
  OUTPUT ${QUARNARO_PROGRAM_STAMP}
  COMMAND ${CMAKE_COMMAND}
          -DSAMPLE=${QUARNARO_SAMPLE_DIR}
          -DPROGRAM=${QUARNARO_PROGRAM_DIR}
          -DHELP=${PROJECT_SOURCE_DIR}/data/help
          -DTEMPLATES=${PROJECT_SOURCE_DIR}/data/templates
          -P ${PROJECT_SOURCE_DIR}/cmake/LayOutProgram.cmake
  COMMAND ${CMAKE_COMMAND} -E touch ${QUARNARO_PROGRAM_STAMP}
  DEPENDS ${_program_deps} ${QUARNARO_SAMPLE_DIR}/Databases/Metadati.sqlite
          ${QUARNARO_HELP_FILES} ${QUARNARO_TEMPLATE_FILES}
          ${PROJECT_SOURCE_DIR}/cmake/LayOutProgram.cmake
  COMMENT "Preparazione della cartella del programma"
  VERBATIM)
add_custom_target(program_folder ALL DEPENDS ${QUARNARO_PROGRAM_STAMP})
