/* tev_module - analog output commands.
 *
 * The value to write is float slot 0. Output functions take the channel from slot 5; read-back
 * functions take the selector (0: command digit 6, 1: digit 8) from slot 5 and the channel from slot 7.
 *
 * Decisions:
 *   - The 7021 digit form ("DD.DDD") and AnalogOutFsr's percentage ("+DDD.DD") truncate, not round,
 *     the shortest decimal form of the float (0.7 is sent as 00.700, not as the 00.699 of its binary
 *     value; 1.23499 as 01.234). Values that would need a character other than a digit are refused without traffic:
 *     negative values give TEV_MODULE_BELOW_RANGE, 100.0 and above (percentage: 1000.0 and above) or
 *     NaN give TEV_MODULE_ABOVE_RANGE.
 *   - AnalogOutHex refuses slot 7 values above 0xFFF with TEV_MODULE_VALUE_OUT_OF_RANGE instead of
 *     sending their first three digits.
 *   - AnalogOutReadBackHex stores the low 16 bits of the number in slot 9 and never writes slot 10, so
 *     blocks that end at slot 9 are safe. The number is read after the checksum characters are cut off.
 *     Like the other read-backs it sets float slot 0 to 0.0 once the exchange has returned; it may be
 *     given no float block (NULL).
 */
#ifndef TEV_MODULE_ANALOG_OUT_H
#define TEV_MODULE_ANALOG_OUT_H

#include <tev/tev_module_types.h>

#ifdef __cplusplus
extern "C" {
#endif

/* 7016, 4016, 8016: "$AA7" and "%+07.3f"; 7021, 4021, 8021: "#AA" and DD.DDD; 7022, 4022, 8022
 * (channel 0-2): "#AAN" and "%06.3f"; 7024, 4024, 8024 (channel 0-3): "#AAN" and "%+07.3f". */
TEV_MODULE_API uint16_t AnalogOut(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* 7016 group "$AA6"; 7021 group "$AA6"/"$AA8"; 7022 group "$AA6N"/"$AA8N" (channel 0-2);
 * 7024 group "$AA6CN"/"$AA8CN" (channel 0-3). Float slot 0 = the value from position 3. */
TEV_MODULE_API uint16_t AnalogOutReadBack(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* 7021, 7022, 4021, 4022, 8021, 8022: "#AA" and slot 7 as three hex digits (0-0xFFF). */
TEV_MODULE_API uint16_t AnalogOutHex(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* 7021, 7022, 4021, 4022, 8021, 8022: "#AA+" and the percentage as DDD.DD. */
TEV_MODULE_API uint16_t AnalogOutFsr(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* 7021 ("$AA6"/"$AA8"), 7022 ("$AA6N"/"$AA8N", channel 0-2): slot 9 = the hex number from position 3. */
TEV_MODULE_API uint16_t AnalogOutReadBackHex(WordArgs w, float* f, char* command_trace, char* reply_trace);

/* 8022 (channel 0-1), 8024, 5024 (0-3); card slot in slot 7: "#AASsCN" and "%+07.3f". */
TEV_MODULE_API uint16_t AnalogOut_8K(LongArgs w, float* f, char* command_trace, char* reply_trace);
/* As AnalogOut_8K: "$AASsCN6", float slot 0 = the value from position 3. */
TEV_MODULE_API uint16_t AnalogOutReadBack_8K(LongArgs w, float* f, char* command_trace, char* reply_trace);
/* 87016 "$AA7"; 87021 "#AA" DD.DDD; 87022, 87026 (channel 0-2) "#AAN" "%06.3f"; 87024 (0-3) "%+07.3f". */
TEV_MODULE_API uint16_t AnalogOut_87K(LongArgs w, float* f, char* command_trace, char* reply_trace);
/* 87016 "$AA6"; 87021 "$AA6"/"$AA8"; 87022, 87026 (channel 0-2), 87024 (0-3) "$AA6N"/"$AA8N". */
TEV_MODULE_API uint16_t AnalogOutReadBack_87K(LongArgs w, float* f, char* command_trace, char* reply_trace);

#ifdef __cplusplus
}
#endif

#endif /* TEV_MODULE_ANALOG_OUT_H */
