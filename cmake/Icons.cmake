# The program's icons, drawn as SVG in dist/icons, rendered to the PNG sizes of the hicolor theme.
find_program(RSVG_CONVERT rsvg-convert)
if(NOT RSVG_CONVERT)
  message(FATAL_ERROR "rsvg-convert not found (package librsvg2-bin; scripts/setup installs it)")
endif()
set(TEVLAR_ICON_SIZES 16 22 24 32 48 64 128 256)
set(TEVLAR_ICON_DIR "${CMAKE_BINARY_DIR}/icons")

# tevlar_icon_pngs(<svg name without .svg> <variable>): the rules that render it, and their outputs.
function(tevlar_icon_pngs name variable)
  set(svg "${CMAKE_SOURCE_DIR}/dist/icons/${name}.svg")
  set(pngs "")
  foreach(size IN LISTS TEVLAR_ICON_SIZES)
    set(png "${TEVLAR_ICON_DIR}/${size}x${size}/${name}.png")
    add_custom_command(OUTPUT "${png}"
      COMMAND ${CMAKE_COMMAND} -E make_directory "${TEVLAR_ICON_DIR}/${size}x${size}"
      COMMAND "${RSVG_CONVERT}" -w ${size} -h ${size} -o "${png}" "${svg}"
      DEPENDS "${svg}" VERBATIM)
    list(APPEND pngs "${png}")
  endforeach()
  set(${variable} "${pngs}" PARENT_SCOPE)
endfunction()
