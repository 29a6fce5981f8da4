# The user's manual: one HTML source per language, made into one self-contained file per host
# and language, named as the help lookup expects it ("Dokumentation Veltrano
# Archivierungs-Assistent für Word.html", "Manual Veltrano Archiving Wizard for Excel.html", ...).
#
#   ardeko_copy_manual(<target> [INSTALL_DESTINATION <dir>])
#
# puts the files beside <target> in the build tree (where the help lookup of a program or
# library built from <target> looks for them) and, with INSTALL_DESTINATION, installs them
# there too (on Windows: beside OffArdeko.dll). The Linux install of the files into the
# package's data folder is done once, in docs/.
find_package(Python3 COMPONENTS Interpreter REQUIRED)

set(ARDEKO_MANUAL_HOSTS Word Excel PowerPoint Access Outlook FrontPage Office)
set(ARDEKO_MANUAL_DIR ${PROJECT_BINARY_DIR}/docs/manual)

set(ARDEKO_MANUAL_NAMES)
foreach(_host ${ARDEKO_MANUAL_HOSTS})
  list(APPEND ARDEKO_MANUAL_NAMES "Dokumentation Veltrano Archivierungs-Assistent für ${_host}.html"
                                  "Manual Veltrano Archiving Wizard for ${_host}.html")
endforeach()
set(ARDEKO_MANUAL_FILES)
foreach(_name ${ARDEKO_MANUAL_NAMES})
  list(APPEND ARDEKO_MANUAL_FILES "${ARDEKO_MANUAL_DIR}/${_name}")
endforeach()

file(GLOB _ardeko_manual_images CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/images/*.png)
add_custom_command(
  OUTPUT ${ARDEKO_MANUAL_FILES}
  COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/docs/make_manual.py
          --source ${PROJECT_SOURCE_DIR}/docs --images ${PROJECT_SOURCE_DIR}/docs/images
          --output ${ARDEKO_MANUAL_DIR}
  DEPENDS ${PROJECT_SOURCE_DIR}/docs/make_manual.py ${PROJECT_SOURCE_DIR}/docs/manual.de.html.in
          ${PROJECT_SOURCE_DIR}/docs/manual.en.html.in ${_ardeko_manual_images}
  COMMENT "Generating the user's manual"
  VERBATIM)
add_custom_target(ardeko_manual ALL DEPENDS ${ARDEKO_MANUAL_FILES})

function(ardeko_copy_manual target)
  cmake_parse_arguments(PARSE_ARGV 1 _arg "" "INSTALL_DESTINATION" "")
  # The folder the target's program or library lands in: its runtime output folder, else the
  # build folder of the directory that made it (multi-config generators add the configuration).
  get_target_property(_dir ${target} RUNTIME_OUTPUT_DIRECTORY)
  if(NOT _dir)
    get_target_property(_dir ${target} BINARY_DIR)
  endif()
  get_property(_multi GLOBAL PROPERTY GENERATOR_IS_MULTI_CONFIG)
  if(_multi)
    set(_dir "${_dir}/$<CONFIG>")
  endif()
  add_custom_target(${target}_manual_copy
    COMMAND ${CMAKE_COMMAND} -E make_directory "${_dir}"
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${ARDEKO_MANUAL_FILES} "${_dir}"
    DEPENDS ${ARDEKO_MANUAL_FILES}
    COMMENT "Copying the user's manual beside ${target}"
    VERBATIM)
  add_dependencies(${target}_manual_copy ardeko_manual)
  add_dependencies(${target} ${target}_manual_copy)
  if(_arg_INSTALL_DESTINATION)
    install(FILES ${ARDEKO_MANUAL_FILES} DESTINATION ${_arg_INSTALL_DESTINATION})
  endif()
endfunction()
