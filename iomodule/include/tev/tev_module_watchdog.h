/* tev_module - host watchdog, safe and power-on values of outputs, reset and configuration status,
 * and the configuration and start-up values of 8000 and 87K analog output cards.
 *
 * Two-step functions (SetSafeValueForDo, SetPowerOnValueForDo, SetSafeValueForAo,
 * SetPowerOnValueForAo) first set the outputs to the value, then have the module store its present
 * output as the safe or power-on value. The second command is sent only after a fully valid first
 * reply; the trace buffers hold the last command sent and its reply.
 *
 * SetSafeValueForDo and SetPowerOnValueForDo refuse a value with more bits than the model has outputs
 * (TEV_MODULE_VALUE_OUT_OF_RANGE) where DigitalOut masks it: the stored value must be the one asked for.
 *
 * Decisions:
 *   - The analog safe and power-on functions take a channel (slot 5) on the 7021 and 7022 (0-1) and
 *     the 7024 (0-3); a channel above the limit gives TEV_MODULE_CHANNEL_OUT_OF_RANGE without
 *     traffic. The 7021 has one output: its commands carry no channel digit. Its value is written
 *     as DD.DDD as by AnalogOut, so a negative value gives TEV_MODULE_BELOW_RANGE and 100.0 or more
 *     (or NaN) TEV_MODULE_ABOVE_RANGE without traffic.
 *   - Readings without a length check (ReadSafeValueForAo, ReadStartUpValue_8K,
 *     ReadStartUpValue_87K) read their six or seven characters from position 3, a shorter value as
 *     far as it goes, and give TEV_MODULE_INVALID_REPLY when the reply ends before position 3 or
 *     those characters are not a number.
 *   - ToSetupHostWatchdog sends the enable digit 0 whenever slot 4 (the timeout) is 0, whatever slot 5
 *     holds; this is kept for callers that switch the watchdog off that way.
 *   - The status digits and configuration fields are the module's; they are passed on as numbers.
 */
#ifndef TEV_MODULE_WATCHDOG_H
#define TEV_MODULE_WATCHDOG_H

#include <tev/tev_module_types.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Host watchdog and status (any model unless stated). */

/* Tells every module on the line that the host is alive: "~**" through uart's SendCommand, no reply.
 * Reads slots 0 (port), 3 (checksum flag) and 6 (trace flag) only; returns SendCommand's status. */
TEV_MODULE_API uint16_t HostIsOK(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* "$AA5" ("$AAR" on a 7014): slot 5 = the reset status digit. */
TEV_MODULE_API uint16_t ReadModuleResetStatus(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* "~AA3" and the enable digit (slot 5; 0 when slot 4 is 0) and the watchdog time in tenths of a
 * second (slot 7, two hex digits). */
TEV_MODULE_API uint16_t ToSetupHostWatchdog(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* "~AA2": slot 5 = enabled digit, slot 7 = watchdog time (two hex digits). */
TEV_MODULE_API uint16_t ToReadHostWatchdog(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* "~AA0": slot 5 = the status digit at position 4. */
TEV_MODULE_API uint16_t ReadModuleHostWatchdogStatus(WordArgs w, float* f, char* command_trace,
                                                     char* reply_trace);
/* "~AA1". */
TEV_MODULE_API uint16_t ResetModuleHostWatchdogStatus(WordArgs w, float* f, char* command_trace,
                                                      char* reply_trace);
/* "$AA2": slots 7-10 = address, type code, baud code, format (two hex digits each). */
TEV_MODULE_API uint16_t ReadConfigStatus(WordArgs w, float* f, char* command_trace, char* reply_trace);

/* Digital outputs: 7042 (value up to 0x1FFF), 7043 (0xFFFF), 7044, 7050 (0xFF), 7060 (0xF),
 * 7063 (7), 7065 (0x1F), 7066, 7067 (0x7F). */

/* "@AA" and slot 5 (four, two or one hex digits by model), then "~AA5S". */
TEV_MODULE_API uint16_t SetSafeValueForDo(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* "@AA" and slot 5, then "~AA5P". */
TEV_MODULE_API uint16_t SetPowerOnValueForDo(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* "~AA4S": slot 5 = four hex digits from position 3 (7042, 7043) or two (others). Any first
 * character, exactly 7 characters. */
TEV_MODULE_API uint16_t ReadSafeValueForDo(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* "~AA4P": slot 5 as ReadSafeValueForDo. */
TEV_MODULE_API uint16_t ReadPowerOnValueForDo(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* 7011, 7012, 7014: "~AA50p0s", power-on value p = slot 5 and safe value s = slot 7, each 0-3. */
TEV_MODULE_API uint16_t SetPowerOnSafeValue(WordArgs w, float* f, char* command_trace, char* reply_trace);

/* Analog outputs: 7021, 7022 (channel 0-1), 7024 (channel 0-3); value float slot 0. The 7021's
 * commands carry no channel digit. */

/* The output command of AnalogOut, then "~AA5" (7021) or "~AA5N". */
TEV_MODULE_API uint16_t SetSafeValueForAo(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* The output command of AnalogOut, then "$AA4" (7021) or "$AA4N". */
TEV_MODULE_API uint16_t SetPowerOnValueForAo(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* "~AA4" (7021) or "~AA4N": float slot 0 = seven characters from position 3 (7024), else six. */
TEV_MODULE_API uint16_t ReadSafeValueForAo(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* 7024 only: "$AA7N": float slot 0 = the seven characters from position 3. */
TEV_MODULE_API uint16_t ReadPowerOnValueForAo(WordArgs w, float* f, char* command_trace, char* reply_trace);

/* 8000 analog output cards: 8022 (channel 0-1), 8024, 5024 (0-3); card slot in slot 7. */

/* "$AASsCNB": slot 8 = output range code, slot 9 = the format field's upper six bits. */
TEV_MODULE_API uint16_t ReadConfigurationStatus_8K(LongArgs w, float* f, char* command_trace,
                                                   char* reply_trace);
/* "$AASsCN4": the present output becomes the start-up value. */
TEV_MODULE_API uint16_t SetStartUpValue_8K(LongArgs w, float* f, char* command_trace, char* reply_trace);
/* "$AASsCN6": float slot 0 = the six characters from position 3. */
TEV_MODULE_API uint16_t ReadStartUpValue_8K(LongArgs w, float* f, char* command_trace, char* reply_trace);

/* 87K analog output card 87024 (channel 0-3). */

/* "$AA2": slot 8 = output range code, slot 9 = the format field's upper six bits. */
TEV_MODULE_API uint16_t ReadConfigurationStatus_87K(LongArgs w, float* f, char* command_trace,
                                                    char* reply_trace);
/* "$AA4N": the present output becomes the start-up value. */
TEV_MODULE_API uint16_t SetStartUpValue_87K(LongArgs w, float* f, char* command_trace, char* reply_trace);
/* "$AA7N": float slot 0 = the six characters from position 3. */
TEV_MODULE_API uint16_t ReadStartUpValue_87K(LongArgs w, float* f, char* command_trace, char* reply_trace);

#ifdef __cplusplus
}
#endif

#endif /* TEV_MODULE_WATCHDOG_H */
