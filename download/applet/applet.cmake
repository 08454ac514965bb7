# The SAM-BA page-programming applet: assembled for the ARM7TDMI, linked at its RAM address,
# cut to raw bytes, padded to 1104 and compiled into the core library.
find_program(ARM_AS arm-none-eabi-as REQUIRED)
find_program(ARM_LD arm-none-eabi-ld REQUIRED)
find_program(ARM_OBJCOPY arm-none-eabi-objcopy REQUIRED)
set(APPLET_DIR ${CMAKE_SOURCE_DIR}/download/applet)
set(APPLET_OUT ${CMAKE_BINARY_DIR}/applet)
file(MAKE_DIRECTORY ${APPLET_OUT})
add_custom_command(
  OUTPUT ${APPLET_OUT}/samba_applet_data.cpp ${APPLET_OUT}/samba_applet.elf
  COMMAND ${ARM_AS} -mcpu=arm7tdmi -mlittle-endian -o ${APPLET_OUT}/samba_applet.o ${APPLET_DIR}/samba_applet.S
  COMMAND ${ARM_LD} -Ttext=0x00201600 -e applet_entry -o ${APPLET_OUT}/samba_applet.elf ${APPLET_OUT}/samba_applet.o
  COMMAND ${ARM_OBJCOPY} -O binary ${APPLET_OUT}/samba_applet.elf ${APPLET_OUT}/samba_applet.bin
  COMMAND ${CMAKE_COMMAND} -DINPUT=${APPLET_OUT}/samba_applet.bin -DOUTPUT=${APPLET_OUT}/samba_applet_data.cpp
          -DSIZE=1104 -P ${APPLET_DIR}/pad_applet.cmake
  DEPENDS ${APPLET_DIR}/samba_applet.S ${APPLET_DIR}/pad_applet.cmake
  COMMENT "Assembling the SAM-BA applet"
  VERBATIM)
target_sources(vexa_download PRIVATE ${APPLET_OUT}/samba_applet_data.cpp)
