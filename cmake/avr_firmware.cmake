# Builds firmware for the board's ATmega328P with Debian's avr-gcc and
# avr-libc: no Arduino core is needed.
#
#   add_avr_firmware(<name> SOURCES <files...> [DEPENDS <headers...>]
#                    [RAM_LIMIT_PERCENT <n>])
#
# makes <name>.elf and <name>.hex in the current binary folder, prints the
# flash and RAM the program takes, and fails when its RAM goes past the
# limit. `.ino` files are compiled as C++, as the Arduino IDE does.
find_program(AVR_GXX avr-g++)
find_program(AVR_OBJCOPY avr-objcopy)
find_program(AVR_SIZE avr-size)

set(AVR_FLAGS -mmcu=atmega328p -DF_CPU=16000000UL -Os -std=gnu++11
  -Wall -Wextra -ffunction-sections -fdata-sections -fno-exceptions
  -fno-threadsafe-statics -Wl,--gc-sections)

function(add_avr_firmware name)
  cmake_parse_arguments(FW "" "RAM_LIMIT_PERCENT" "SOURCES;DEPENDS" ${ARGN})
  if(NOT FW_RAM_LIMIT_PERCENT)
    set(FW_RAM_LIMIT_PERCENT 100)
  endif()
  set(elf ${CMAKE_CURRENT_BINARY_DIR}/${name}.elf)
  set(hex ${CMAKE_CURRENT_BINARY_DIR}/${name}.hex)
  set(sources "")
  foreach(source ${FW_SOURCES})
    get_filename_component(path ${source} ABSOLUTE)
    list(APPEND sources -x c++ ${path})
  endforeach()
  add_custom_command(OUTPUT ${elf} ${hex}
    COMMAND ${AVR_GXX} ${AVR_FLAGS} ${sources} -o ${elf}
    COMMAND ${AVR_OBJCOPY} -O ihex -R .eeprom ${elf} ${hex}
    COMMAND ${CMAKE_COMMAND} -DSIZE=${AVR_SIZE} -DELF=${elf}
      -DRAM_LIMIT_PERCENT=${FW_RAM_LIMIT_PERCENT}
      -P ${PROJECT_SOURCE_DIR}/cmake/avr_size.cmake
    DEPENDS ${FW_SOURCES} ${FW_DEPENDS} ${PROJECT_SOURCE_DIR}/cmake/avr_size.cmake
    COMMENT "Building the board firmware ${name}"
    VERBATIM)
  add_custom_target(${name} ALL DEPENDS ${elf} ${hex})
  set_target_properties(${name} PROPERTIES ELF_FILE ${elf} HEX_FILE ${hex})
endfunction()
