# Checks that no folder includes a folder above it:
#   app -> view -> send -> serial -> core,  send -> library -> codes -> core,
#   view -> tools -> serial,  view -> resources -> core,  app -> lircd -> codes,
#   app -> mqtt -> codes,
#   and the board's wire protocol (firmware/IrBridge/wire.h) below serial,
#   codes and the simulators.
# Run: cmake -DSOURCE_DIR=<top> -P layers.cmake
cmake_minimum_required(VERSION 3.25)
set(allowed_core core)
set(allowed_codes codes core firmware)
set(allowed_lircd lircd codes core)
set(allowed_mqtt mqtt codes core)
set(allowed_serial serial core firmware)
set(allowed_tools tools serial core)
set(allowed_library library codes core)
set(allowed_send send library serial codes core)
set(allowed_resources resources core)
set(allowed_view view send library tools serial resources codes core)
set(allowed_app app view send library tools serial resources lircd mqtt codes core)
set(allowed_sim sim firmware)
set(allowed_firmware firmware)
set(allowed_avrsim avrsim firmware sim)

set(failures "")
foreach(folder core codes lircd mqtt serial tools library send resources view app sim firmware avrsim)
  file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp)
  foreach(source ${sources})
    file(STRINGS ${SOURCE_DIR}/${source} includes REGEX "^#include \"[a-z_]+/")
    foreach(line ${includes})
      string(REGEX REPLACE "^#include \"([a-z_]+)/.*" "\\1" target "${line}")
      if(NOT target IN_LIST allowed_${folder})
        list(APPEND failures "${source}: ${line}")
      endif()
    endforeach()
  endforeach()
endforeach()

if(failures)
  list(JOIN failures "\n" text)
  message(FATAL_ERROR "Includes against the layers:\n${text}")
endif()
