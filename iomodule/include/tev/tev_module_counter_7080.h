/* tev_module - 7080 counter and frequency module commands.
 *
 * Every function serves the identifier 0x7080 only (else TEV_MODULE_MODEL_NOT_SERVED). Where a
 * function takes a counter number it is slot 5, 0 or 1, else TEV_MODULE_COUNTER_NUMBER. 32-bit
 * readings come back as the high 16 bits in slot 7 and the low 16 bits in slot 8. No function writes
 * its result slots unless it returns 0.
 *
 * Values to write (decision). SetCounterMaxValue_7080, SetAlarmLimitValue_7080,
 * PresetCounterValue_7080 and SetMinSignalWidth_7080 take their value as one double held in float
 * slots 0 and 1 (the eight bytes of the double in the machine's order; write it with
 * tev_module_put_value_7080 below or memcpy). A double carries every 32-bit value exactly, which a
 * single float slot cannot (4294967295 would round up), and keeps out-of-range values such as -1
 * visible to the range check, which 16-bit slot pairs could not. The value is truncated towards
 * zero; a value below 0, above the field's range or not a number gives TEV_MODULE_FIELD_OUT_OF_RANGE.
 *   - maximum, alarm limit and preset: 0 to 4294967295 (up to 4294967295.1 is accepted), sent as
 *     eight upper-case hex digits;
 *   - minimum signal width: 0 to 65535 microseconds, sent as five decimal digits. 65536 is refused
 *     too: the module's five-digit field holds 16 bits and 65536 would go out as 00000.
 *
 * Other decisions:
 *   - SetLevelVolt_7080 and DataToLED_7080 refuse a value that is not a number with
 *     TEV_MODULE_ABOVE_RANGE.
 *   - SetConfiguration_7080 also refuses, with TEV_MODULE_SELECTOR_OUT_OF_RANGE, a format byte
 *     (slot 10 x 64 + slot 5 x 4) above 0xFF, which would not fit its two hex digits.
 */
#ifndef TEV_MODULE_COUNTER_7080_H
#define TEV_MODULE_COUNTER_7080_H

#include <string.h>

#include <tev/tev_module_types.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Puts the value of a 7080 setter into float slots 0 and 1. */
static inline void tev_module_put_value_7080(float* f, double value) {
    memcpy(f, &value, sizeof value);
}

/* Counter c (slot 5): "#AAc", reply ">" and 8 hex digits: slots 7 and 8. */
TEV_MODULE_API uint16_t CounterIn_7080(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* "$AA3c", reply "!AA" and 8 hex digits: slots 7 and 8. */
TEV_MODULE_API uint16_t ReadCounterMaxValue_7080(WordArgs w, float* f, char* command_trace,
                                                 char* reply_trace);
/* "$AA3c" and the value (float slots 0-1) as 8 hex digits, reply "!AA". */
TEV_MODULE_API uint16_t SetCounterMaxValue_7080(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* "@AARP" (counter 0) or "@AARA" (counter 1), reply "!AA" and 8 hex digits: slots 7 and 8. */
TEV_MODULE_API uint16_t ReadAlarmLimitValue_7080(WordArgs w, float* f, char* command_trace,
                                                 char* reply_trace);
/* "@AAPA" (counter 0) or "@AASA" (counter 1) and the value (float slots 0-1) as 8 hex digits. */
TEV_MODULE_API uint16_t SetAlarmLimitValue_7080(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* "@AAEAc", reply "!AA". */
TEV_MODULE_API uint16_t EnableCounterAlarm_7080(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* "@AADAc", reply "!AA". */
TEV_MODULE_API uint16_t DisableCounterAlarm_7080(WordArgs w, float* f, char* command_trace,
                                                 char* reply_trace);
/* 7080D: "@AAEAM" (slot 5 = 0, momentary) or "@AAEAL" (slot 5 = 1, latched), reply "!AA". */
TEV_MODULE_API uint16_t EnableCounterAlarm_7080D(WordArgs w, float* f, char* command_trace,
                                                 char* reply_trace);
/* 7080D: "@AADA", reply "!AA". */
TEV_MODULE_API uint16_t DisableCounterAlarm_7080D(WordArgs w, float* f, char* command_trace,
                                                  char* reply_trace);
/* "$AA5c", reply "!AA" and one hex digit: slot 7. */
TEV_MODULE_API uint16_t ReadCounterStatus_7080(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* "$AA6c", reply "!AA". */
TEV_MODULE_API uint16_t ClearCounter_7080(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* "@AADI", reply "!AA" and 5 characters: slot 7 = the hex digit at 3, slot 8 = 2 x (digit at 4) +
 * (digit at 5). */
TEV_MODULE_API uint16_t ReadOutputAlarmState_7080(WordArgs w, float* f, char* command_trace,
                                                  char* reply_trace);
/* "$AABm" with slot 5 as one digit (not range-tested), reply "!AA". */
TEV_MODULE_API uint16_t SetInputSignalMode_7080(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* "$AAB", reply "!AA" and one hex digit: slot 7. */
TEV_MODULE_API uint16_t ReadInputSignalMode_7080(WordArgs w, float* f, char* command_trace,
                                                 char* reply_trace);
/* "@AAPc" and the value (float slots 0-1) as 8 hex digits, reply "!AA". */
TEV_MODULE_API uint16_t PresetCounterValue_7080(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* "@AAGc", reply "!AA" and 8 hex digits: slots 7 and 8. */
TEV_MODULE_API uint16_t ReadPresetCounterValue_7080(WordArgs w, float* f, char* command_trace,
                                                    char* reply_trace);
/* "$AA5cs": counter slot 5 and start flag slot 7, one digit each (not range-tested), reply "!AA". */
TEV_MODULE_API uint16_t StartCounting_7080(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* "~AAAm" with slot 5 as one digit, reply "!AA". */
TEV_MODULE_API uint16_t SetModuleMode_7080(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* "~AAA", reply "!AA" and one decimal digit: slot 5. */
TEV_MODULE_API uint16_t ReadModuleMode_7080(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* "$AA1L" (slot 5 = 0) or "$AA1H" (other values) and float slot 0 in tenths of a volt as two digits
 * ("%3.1f" without the point): 0.0-5.0 V, below gives 19, above 20. Reply "!AA". */
TEV_MODULE_API uint16_t SetLevelVolt_7080(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* "$AA1L" or "$AA1H", reply "!AA" and two digits: float slot 0 = units + tenths x 0.1. */
TEV_MODULE_API uint16_t ReadLevelVolt_7080(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* "$AA0L" (slot 5 = 0) or "$AA0H" (slot 5 = 1) and the width (float slots 0-1) as "%05u". */
TEV_MODULE_API uint16_t SetMinSignalWidth_7080(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* "$AA0L" or "$AA0H" (counter slot 5), reply "!AA" and five decimal digits: slot 7. */
TEV_MODULE_API uint16_t ReadMinSignalWidth_7080(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* "$AAAg" with the gate mode slot 5 (0-2, else 23), reply "!AA". */
TEV_MODULE_API uint16_t SetGateMode_7080(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* "$AAA", reply "!AA" and one decimal digit: slot 5. */
TEV_MODULE_API uint16_t ReadGateMode_7080(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* "$AA9" and float slot 0 in six characters ("%06.5f" up to 1, "%06.4f" up to 10, "%06.3f" up to
 * 100, "%06.2f" up to 1000, "%06.1f" up to 10000, "%6.1f" up to 19999). Not above 0 gives 19, above
 * 19999 20. Reply "!AA". */
TEV_MODULE_API uint16_t DataToLED_7080(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* "%", present address (slot 1), new address (slot 7), type 50 (slot 8 = 0, counter) or 51 (slot 8 =
 * 1, frequency), slot 9 (3-10) and the format byte slot 10 x 64 + slot 5 x 4, each as two hex digits.
 * Any field out of range gives 13, checked before the model. Reply "!AA". */
TEV_MODULE_API uint16_t SetConfiguration_7080(WordArgs w, float* f, char* command_trace, char* reply_trace);

#ifdef __cplusplus
}
#endif

#endif /* TEV_MODULE_COUNTER_7080_H */
