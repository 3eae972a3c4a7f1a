// Constant tables live in the board's flash, not its 2 KB of RAM. On the
// host, where tests run the same code, they are ordinary constants.
#ifndef IRBRIDGE_PROGMEM_H
#define IRBRIDGE_PROGMEM_H

#if defined(__AVR__)
#include <avr/pgmspace.h>
#else
#include <string.h>
#define PROGMEM
#define PSTR(text) (text)
#define memcpy_P memcpy
#define memcmp_P memcmp
#define strcmp_P strcmp
#define strlen_P strlen
#define pgm_read_byte(address) (*(const uint8_t*)(address))
#define pgm_read_word(address) (*(const uint16_t*)(address))
#endif

#endif
