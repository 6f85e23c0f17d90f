/* tev_module - shared types, result codes and the export macro of every family header.
 *
 * Calling convention. On Linux every export uses the C calling convention and is exported by its
 * plain name; nothing else is visible. The one decorated Win32 name, _AnalogInAllHex@16, is
 * exported as AnalogInAllHex.
 *
 * Command functions take four caller-owned arrays and return a 16-bit result code:
 *   - the integer block: WordArgs (16-bit slots) for the I-7000 functions, LongArgs (32-bit slots)
 *     for the _8K and _87K functions. The _8K and _87K functions read the low 16 bits of a slot
 *     (the _87K functions read the module identifier whole) and store results as whole slots;
 *   - the float block (engineering values, limits, voltages);
 *   - the command trace and the reply trace: zero-terminated copies of the last command and reply
 *     when the trace flag is 1. Give them room for 100 characters.
 * Slots of the integer block:
 *   0 serial port (low 8 bits handed to uart), 1 module address (low 8 bits, sent as two hex digits),
 *   2 module identifier (0x7017, 0x8017, 0x87017 ...), 3 checksum flag (0 off, other values on),
 *   4 timeout in ms, 5 first argument or result, 6 trace flag (1 = copy command and reply),
 *   7 and up: further arguments or results (in the _8K functions slot 7 is the card's slot number).
 *
 * Each call builds its command and receives its reply in storage of its own, so calls of the same
 * family may run on several threads; calls on one serial port are serialised by uart.
 * Only the low 8 bits of the port and of the address count: an address of 0x1A0 is sent as A0, a
 * port of 0x105 is port 5. A port of 0 is handed to uart, whose status comes back unchanged.
 * Checks run in this order, all before anything is sent: the module identifier (a model the function
 * does not serve gives TEV_MODULE_MODEL_NOT_SERVED), then the function's own arguments.
 * A NULL integer block, or a NULL float block for a function that reads or writes floats, gives
 * TEV_MODULE_NULL_ARGUMENT without any traffic. NULL trace buffers simply receive no copies.
 *
 * Reply fields are read strictly, also with the checksum flag off: every character of a field must
 * belong to it (decimal fields: sign, digits and one point; hex fields: upper-case hex digits, or
 * either case where the field is read as "%X"; digit fields: '0'-'9'). A field with any other
 * character gives TEV_MODULE_INVALID_REPLY and stores nothing.
 */
#ifndef TEV_MODULE_TYPES_H
#define TEV_MODULE_TYPES_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(TEV_MODULE_BUILDING)
#define TEV_MODULE_API __attribute__((visibility("default")))
#else
#define TEV_MODULE_API
#endif

/* The integer argument block of the I-7000 functions (16-bit slots). */
typedef uint16_t* WordArgs;
/* The integer argument block of the _8K and _87K functions (32-bit slots). */
typedef uint32_t* LongArgs;

/* Result codes of the library. Any other non-zero code is a status of uart's ExchangeCommand or
 * SendCommand (UART_TIMEOUT, UART_CHECKSUM_ERROR ...), handed up unchanged; the two ranges never
 * collide. */
enum {
    TEV_MODULE_OK = 0,
    TEV_MODULE_VALUE_OUT_OF_RANGE = 4,     /* output value or digit beyond what the model holds */
    TEV_MODULE_INVALID_REPLY = 12,         /* wrong first character (also '?'), wrong length, a
                                              reply too short for a field read from it, a field
                                              holding a character not of its number, or a reply
                                              holding a NUL character */
    TEV_MODULE_SELECTOR_OUT_OF_RANGE = 13, /* read-back selector or channel, configuration field */
    TEV_MODULE_MODEL_NOT_SERVED = 17,      /* the module identifier is not one the function serves */
    TEV_MODULE_CHANNEL_OUT_OF_RANGE = 18,  /* channel or other index beyond the model's limit */
    TEV_MODULE_BELOW_RANGE = 19,           /* reading ">-0000", or a value to write below its range */
    TEV_MODULE_ABOVE_RANGE = 20,           /* reading ">+9999", or a value to write above its range */
    TEV_MODULE_COUNTER_NUMBER = 21,        /* 7080 counter number not 0 or 1 */
    TEV_MODULE_FIELD_OUT_OF_RANGE = 22,    /* value outside what the 7080 field holds */
    TEV_MODULE_GATE_MODE = 23,             /* 7080 gate mode above 2 */
    TEV_MODULE_COUNTER_CHANNEL = 24,       /* counter channel beyond the digital input model's */
    TEV_MODULE_NULL_ARGUMENT = 30,         /* a NULL integer block, or float block where one is used */
    TEV_MODULE_ALARM_CONNECT_FIRST = 212,  /* SetAlarmConnect_8K: wrong first character */
    TEV_MODULE_ALARM_CONNECT_LENGTH = 312  /* SetAlarmConnect_8K: wrong reply length */
};

/* Slot numbers of the integer block. */
enum {
    TEV_SLOT_PORT = 0,
    TEV_SLOT_ADDRESS = 1,
    TEV_SLOT_MODEL = 2,
    TEV_SLOT_CHECKSUM = 3,
    TEV_SLOT_TIMEOUT = 4,
    TEV_SLOT_ARG = 5,
    TEV_SLOT_TRACE = 6,
    TEV_SLOT_ARG7 = 7,
    TEV_SLOT_ARG8 = 8,
    TEV_SLOT_ARG9 = 9,
    TEV_SLOT_ARG10 = 10
};

#ifdef __cplusplus
}
#endif

#endif /* TEV_MODULE_TYPES_H */
