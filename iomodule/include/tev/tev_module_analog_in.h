/* tev_module - analog input commands.
 *
 * Single-channel readings (AnalogIn, AnalogInFsr, AnalogInHex and their _8K and _87K twins) set float
 * slot 0 to 0.0 as soon as the exchange has returned (AnalogInHex leaves the floats alone). A reply of
 * exactly ">-0000" gives TEV_MODULE_BELOW_RANGE, ">+9999" TEV_MODULE_ABOVE_RANGE (the card functions
 * also take them followed by one more character). The decimal value is the reply after '>' (checksum
 * characters cut off), read in the "C" locale whatever the process's locale is; it must be a number
 * and nothing else (">+01.01n" or a bare ">" gives TEV_MODULE_INVALID_REPLY).
 *
 * Decisions:
 *   - AnalogInAll on a 7033 checks the 22-character scan reply, then reads channels 0, 1 and 2 one
 *     by one as AnalogIn does ("#AAN") into float slots 0-2, leaving slot 5 at 2 and the traces
 *     showing the last reading. It returns the first non-zero code of those three readings, so a
 *     failed channel is not reported as success. The 4033 and 8033, which that reading does not
 *     serve, give TEV_MODULE_MODEL_NOT_SERVED without traffic.
 *   - AnalogInAll and In8_7017 set float slots 0-6 to 0.0 once the exchange has returned (seven
 *     slots: slot 7 keeps its value until a good 8-channel reply fills it), so give them 8 floats
 *     even for a 7033.
 *   - AnalogInAllHex treats every non-zero checksum flag as on, like all other functions.
 *   - The 8K and 87K scans parse their fields only when all of them lie inside the reply; a shorter
 *     reply gives TEV_MODULE_INVALID_REPLY.
 */
#ifndef TEV_MODULE_ANALOG_IN_H
#define TEV_MODULE_ANALOG_IN_H

#include <tev/tev_module_types.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Engineering value of one channel into float slot 0. 7011-7014, 7016 (no channel); 7017, 7018
 * (channel slot 5: 0-7); 7033 (0-2). Command "#AA" or "#AAN". */
TEV_MODULE_API uint16_t AnalogIn(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* As AnalogIn, for a module set to percent of full range; not the 7016. */
TEV_MODULE_API uint16_t AnalogInFsr(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* As AnalogInFsr; slot 7 = the four hex digits at positions 1-4. Floats untouched. */
TEV_MODULE_API uint16_t AnalogInHex(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* All channels into float slots 0-7 (4017, 4018, 7017, 7018, 8017, 8018; reply of 57 characters) or
 * 0-2 (7033; reply of 22 characters, values then read per channel). Command "#AA". */
TEV_MODULE_API uint16_t AnalogInAll(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* Older 8-channel scan of a 7017 or 7018: traces (slot 6 non-zero) copied only after a good exchange;
 * float slots untouched on failure. */
TEV_MODULE_API uint16_t AnalogIn8(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* Eight channels of a 7017 in hex ("$AAA"), scaled by the full scale of the range code in slot 2:
 * 8 -> 10.0, 9 -> 5.0, 10 -> 1.0, 11 -> 500.0, 12 -> 150.0, 13 -> 20.0; other codes give 17. */
TEV_MODULE_API uint16_t In8_7017(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* Exported as _AnalogInAllHex@16 on Win32. The reply's data as text fields, one per channel, at
 * character offsets 0, 100, 200 ... of `texts`: decimal data is cut before every '+' or '-', hex data
 * into four-character fields. No model check; the command trace is never written. The caller gives
 * 100 characters per channel (a reply holds at most 79 characters of data); whatever the reply, no
 * more than TEV_MODULE_HEX_TEXT_FIELDS fields (2000 characters) are written. */
#define TEV_MODULE_HEX_TEXT_FIELDS 20
TEV_MODULE_API uint16_t AnalogInAllHex(WordArgs w, char* texts, char* command_trace, char* reply_trace);
/* Slot 5 = the open-thermocouple digit of a 7011 ("$AAB", reply "!AAd"). */
TEV_MODULE_API uint16_t ThermocoupleOpen_7011(WordArgs w, float* f, char* command_trace, char* reply_trace);

/* 8000 cards, card slot number in slot 7: 8013, 5013 (channel 0-3); 8017, 8018, 5017, 5018 (0-7);
 * 8033, 5033 (0-3, command "$AASsCN"). Others "#AASsCN". */
TEV_MODULE_API uint16_t AnalogIn_8K(LongArgs w, float* f, char* command_trace, char* reply_trace);
TEV_MODULE_API uint16_t AnalogInFsr_8K(LongArgs w, float* f, char* command_trace, char* reply_trace);
/* Slot 7 = the four hex digits at positions 1-4: this replaces the card slot number, so set slot 7
 * again before the next call. */
TEV_MODULE_API uint16_t AnalogInHex_8K(LongArgs w, float* f, char* command_trace, char* reply_trace);
/* 8013 (float slots 0-3, reply of 30 characters); 8017, 8018, 5017, 5018 (0-7, 58 characters). A reply
 * is taken when it starts with '>' or has the expected length. */
TEV_MODULE_API uint16_t AnalogInAll_8K(LongArgs w, float* f, char* command_trace, char* reply_trace);

/* 87K cards: 87013 (channel 0-3), 87017, 87018 (0-7), 87033 (0-3, "$AAN"). */
TEV_MODULE_API uint16_t AnalogIn_87K(LongArgs w, float* f, char* command_trace, char* reply_trace);
TEV_MODULE_API uint16_t AnalogInFsr_87K(LongArgs w, float* f, char* command_trace, char* reply_trace);
TEV_MODULE_API uint16_t AnalogInHex_87K(LongArgs w, float* f, char* command_trace, char* reply_trace);
/* 87013 (float slots 0-3, 29 characters); 87017, 87018 (0-7, 57 characters). */
TEV_MODULE_API uint16_t AnalogInAll_87K(LongArgs w, float* f, char* command_trace, char* reply_trace);

#ifdef __cplusplus
}
#endif

#endif /* TEV_MODULE_ANALOG_IN_H */
