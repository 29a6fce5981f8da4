# The files that the Windows programs look for beside themselves: the menu button's picture
# (Logo.bmp) and the button sounds (Click.wav, Hover.wav), made by tools/make_assets.py so that
# the repository holds no binary files.
#
#   ardeko_copy_assets(<target>)
#
# puts them beside <target>'s program or library in the build tree, as the installer puts
# them beside each installed OffArdeko.dll.
set(ARDEKO_ASSET_NAMES Logo.bmp Click.wav Hover.wav)
set(ARDEKO_ASSET_DIR ${PROJECT_BINARY_DIR}/assets)
set(ARDEKO_ASSET_FILES)
foreach(_name ${ARDEKO_ASSET_NAMES})
  list(APPEND ARDEKO_ASSET_FILES "${ARDEKO_ASSET_DIR}/${_name}")
endforeach()

add_custom_command(
  OUTPUT ${ARDEKO_ASSET_FILES}
  COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/make_assets.py --output ${ARDEKO_ASSET_DIR}
  DEPENDS ${PROJECT_SOURCE_DIR}/tools/make_assets.py
  COMMENT "Making the logo and the button sounds"
  VERBATIM)
add_custom_target(ardeko_assets ALL DEPENDS ${ARDEKO_ASSET_FILES})

function(ardeko_copy_assets target)
  add_custom_target(${target}_assets_copy
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${ARDEKO_ASSET_FILES} "$<TARGET_FILE_DIR:${target}>"
    DEPENDS ${ARDEKO_ASSET_FILES}
    COMMENT "Copying the logo and the button sounds beside ${target}"
    VERBATIM)
  add_dependencies(${target}_assets_copy ardeko_assets)
  add_dependencies(${target} ${target}_assets_copy)
endfunction()
