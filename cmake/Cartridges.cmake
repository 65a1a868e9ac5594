# Test cartridges and the demo are written in 6502 assembly and built with the
# cc65 suite's ca65 and ld65.
find_program(CA65_EXECUTABLE ca65 REQUIRED)
find_program(LD65_EXECUTABLE ld65 REQUIRED)

# Test cartridges go to test_roms/; roms/ is the desktop program's own ROM
# folder, where the build places the demo.
set(MORVEL_CARTRIDGE_DIR ${CMAKE_BINARY_DIR}/test_roms)
set(MORVEL_RUNTIME_ROM_DIR ${CMAKE_BINARY_DIR}/roms)
file(MAKE_DIRECTORY ${MORVEL_CARTRIDGE_DIR})
add_custom_target(cartridges ALL)

# morvel_add_cartridge(NAME SOURCE CONFIG [INCLUDE_DIR dir] [OUTPUT_DIR dir]
#                      [DEFINES sym=value ...] [LINK_DEFINES sym=value ...])
# assembles SOURCE (with the symbols DEFINES gives) and links it with the ld65
# CONFIG (and the symbols LINK_DEFINES gives it) into OUTPUT_DIR/NAME.nes.
function(morvel_add_cartridge name source config)
  cmake_parse_arguments(ARG "" "INCLUDE_DIR;OUTPUT_DIR" "DEFINES;LINK_DEFINES" ${ARGN})
  if(NOT ARG_OUTPUT_DIR)
    set(ARG_OUTPUT_DIR ${MORVEL_CARTRIDGE_DIR})
  endif()
  get_filename_component(source_dir ${source} DIRECTORY)
  set(include_dirs -I ${source_dir})
  if(ARG_INCLUDE_DIR)
    list(APPEND include_dirs -I ${ARG_INCLUDE_DIR})
    file(GLOB include_files CONFIGURE_DEPENDS ${ARG_INCLUDE_DIR}/*.inc)
  endif()
  set(defines)
  foreach(define ${ARG_DEFINES})
    list(APPEND defines -D ${define})
  endforeach()
  set(link_defines)
  foreach(define ${ARG_LINK_DEFINES})
    list(APPEND link_defines -D ${define})
  endforeach()
  set(object ${CMAKE_BINARY_DIR}/cartridge_objects/${name}.o)
  set(output ${ARG_OUTPUT_DIR}/${name}.nes)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/cartridge_objects ${ARG_OUTPUT_DIR}
    COMMAND ${CA65_EXECUTABLE} ${include_dirs} ${defines} -o ${object} ${source}
    COMMAND ${LD65_EXECUTABLE} -C ${config} ${link_defines} -o ${output} ${object}
    DEPENDS ${source} ${config} ${include_files}
    COMMENT "Assembling cartridge ${name}.nes"
    VERBATIM)
  add_custom_target(cartridge_${name} DEPENDS ${output})
  add_dependencies(cartridges cartridge_${name})
endfunction()

# The demo cartridge, placed in the desktop program's ROM folder.
morvel_add_cartridge(demo ${PROJECT_SOURCE_DIR}/resources/demo/demo.s
  ${PROJECT_SOURCE_DIR}/resources/demo/demo.cfg OUTPUT_DIR ${MORVEL_RUNTIME_ROM_DIR})
