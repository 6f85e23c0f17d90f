/* tev_module - alarms and event counter of analog input modules, LED display selection, linear
 * mapping, and the alarms of 8000 analog input cards.
 *
 * Input type codes (slot 7 of SetAlarmLimitValue and SetupLinearMapping) select how many decimals a
 * limit is written with and the range a mapping's source values must lie in; 0-22 are known, a code
 * above 22 gives TEV_MODULE_MODEL_NOT_SERVED, and a 7016 takes only 0-6 (above: TEV_MODULE_ABOVE_RANGE).
 *
 * Pauses: SetupLinearMapping waits 100 ms after each of its two acknowledged commands, so the module
 * has stored the range before it is addressed again; SetAlarmMode_8K waits 200 ms between its two.
 *
 * Decisions:
 *   - A limit is sent as the first seven characters of its "%+07.Nf" text. A value whose whole part
 *     does not fit those seven characters (magnitude of a million or more), and NaN or an infinity,
 *     would reach the module as a different number; it is refused without traffic:
 *     TEV_MODULE_BELOW_RANGE for negative values, TEV_MODULE_ABOVE_RANGE otherwise.
 *   - SetAlarmLimitValue_8K sends the whole "%+07.2f" text (eight or more characters from 1000 up);
 *     only NaN and the infinities are refused, the same way.
 *   - SetupLinearMapping sends each source value as the first seven characters of its text, so the
 *     source field is always 14 characters (type 14 with three decimals would otherwise need 16 for
 *     760.000). A NaN source value gives TEV_MODULE_ABOVE_RANGE; a NaN target value
 *     TEV_MODULE_BELOW_RANGE (it lies in no interval of the target forms).
 *   - ReadAlarmLimitValue makes no length check: it reads up to seven characters from position 3, a
 *     shorter value as far as it goes, and gives TEV_MODULE_INVALID_REPLY when the reply ends
 *     before position 3 or those characters are not a number.
 *   - SetLedDisplay_7033 sends slot 5 as a digit without a range check (the module refuses a channel
 *     it lacks); SetLedDisplay checks the channel against the model.
 *   - SetAlarmConnect_8K sends the target slot (slot 9) as a digit and the target channel (slot 10)
 *     as a hex digit without range checks; 100 in slot 9 means no target ("S*C*").
 *   - The digits of ReadOutputAlarmState, ReadAlarmStatus_8K and GetLedDisplay are the module's; they
 *     are passed on as numbers.
 */
#ifndef TEV_MODULE_ALARM_H
#define TEV_MODULE_ALARM_H

#include <tev/tev_module_types.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Analog module alarms and event counter: models 7011, 7012, 7014, 7016. */

/* "@AAEAM" (slot 5 = 0, momentary) or "@AAEAL" (other values, latched). */
TEV_MODULE_API uint16_t EnableAlarm(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* "@AADA". */
TEV_MODULE_API uint16_t DisableAlarm(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* "@AACA". */
TEV_MODULE_API uint16_t ClearLatchAlarm(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* "@AALO" (slot 5 = 0) or "@AAHI" and float slot 0 with the decimals of the type code in slot 7. */
TEV_MODULE_API uint16_t SetAlarmLimitValue(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* "@AARL" (slot 5 = 0) or "@AARH": float slot 0 = the seven characters from position 3. */
TEV_MODULE_API uint16_t ReadAlarmLimitValue(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* "@AADI": slot 7 = alarm state digit; slot 8 = output bits (7016: hex digit at 5; others:
 * 2 x digit at 4 + digit at 5). */
TEV_MODULE_API uint16_t ReadOutputAlarmState(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* "@AARE": slot 7 = the five-digit count (sign and digits) as stated, its low 16 bits, as the digital
 * input counters store theirs: 70000 gives 4464, -12 gives 65524. */
TEV_MODULE_API uint16_t ReadEventCounter(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* "@AACE". */
TEV_MODULE_API uint16_t ClearEventCounter(WordArgs w, float* f, char* command_trace, char* reply_trace);

/* LED display: which channel the module's display shows. */

/* 7033: "$AA8N" with N = slot 5. */
TEV_MODULE_API uint16_t SetLedDisplay_7033(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* 7033: "$AA8"; slot 5 = the channel shown. */
TEV_MODULE_API uint16_t GetLedDisplay_7033(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* 7016 (channel 0-1): "$AA3N"; 7033 (channel 0-2): "$AA8N". */
TEV_MODULE_API uint16_t SetLedDisplay(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* 7016: "$AA3"; 7033: "$AA8"; slot 5 = the channel shown. */
TEV_MODULE_API uint16_t GetLedDisplay(WordArgs w, float* f, char* command_trace, char* reply_trace);

/* Linear mapping: 7014 (commands begin with '$') and 7016 ('@'). */

/* Type code slot 7; float slots 0-3 = source low, source high, target low, target high. Sends the
 * source range ("6"), waits 100 ms, checks and sends the target range ("7"), waits 100 ms. A source
 * low above the source high gives TEV_MODULE_VALUE_OUT_OF_RANGE. A target value out of range is
 * found after the source range has been written. */
TEV_MODULE_API uint16_t SetupLinearMapping(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* "A1". */
TEV_MODULE_API uint16_t EnableLinearMapping(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* "A0". */
TEV_MODULE_API uint16_t DisableLinearMapping(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* "A": slot 5 = the status digit. */
TEV_MODULE_API uint16_t ReadLinearMappingStatus(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* 7014 "$AA3", 7016 "@AA6": float slots 0-1 = source low and high. Float slots 0-6 read 1.1 (not
 * read) once the exchange has returned, until the reply is found valid. */
TEV_MODULE_API uint16_t ReadSourceValueOfLM(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* 7014 "$AA5", 7016 "@AA7": float slots 0-1 = target low and high; 1.1 marks as above. */
TEV_MODULE_API uint16_t ReadTargetValueOfLM(WordArgs w, float* f, char* command_trace, char* reply_trace);

/* 8000 analog input card alarms: card slot s = slot 7, channel c = slot 5, side slot 8 (0 = low,
 * other = high). Commands begin "$AASsCc". */

/* 8013, 5013, 8017, 5017, 8018, 5018 (channel not tested): "A", side, "C", then "StCu" with the
 * target slot t (slot 9) and channel u (slot 10), or "S*C*" when slot 9 is 100. A reply that does
 * not begin with '!' gives TEV_MODULE_ALARM_CONNECT_FIRST, one of the wrong length
 * TEV_MODULE_ALARM_CONNECT_LENGTH. */
TEV_MODULE_API uint16_t SetAlarmConnect_8K(LongArgs w, float* f, char* command_trace, char* reply_trace);
/* 8013, 5013 (0-3), 8017, 5017 (0-7), 8018, 5018 (0-6): "A", side, "U" and float slot 0 ("%+07.2f",
 * the whole text). */
TEV_MODULE_API uint16_t SetAlarmLimitValue_8K(LongArgs w, float* f, char* command_trace, char* reply_trace);
/* 8013, 5013, 8033, 5033 (0-3), 8017, 5017, 8018, 5018 (0-7): "R", side, "U"; float slot 0. */
TEV_MODULE_API uint16_t ReadAlarmLimitValue_8K(LongArgs w, float* f, char* command_trace, char* reply_trace);
/* Models as SetAlarmLimitValue_8K: "C" and the side. */
TEV_MODULE_API uint16_t ClearLatchAlarm_8K(LongArgs w, float* f, char* command_trace, char* reply_trace);
/* Models as ReadAlarmLimitValue_8K: "A" and the side; slot 9 = 0 disabled (D), 1 momentary (M),
 * 2 latched (L). */
TEV_MODULE_API uint16_t ReadAlarmMode_8K(LongArgs w, float* f, char* command_trace, char* reply_trace);
/* Models as SetAlarmLimitValue_8K: "A", side, "ED" (slot 9 = 0: disable) or "EE"; for slot 9 other
 * than 0, 200 ms later "A", side and "M" (slot 9 = 1) or "L". */
TEV_MODULE_API uint16_t SetAlarmMode_8K(LongArgs w, float* f, char* command_trace, char* reply_trace);
/* 8013, 5013, 8033, 5033 (0-3), 8017, 5017 (0-7), 8018, 5018 (0-6): "S"; slot 8 = low alarm digit,
 * slot 9 = high alarm digit. */
TEV_MODULE_API uint16_t ReadAlarmStatus_8K(LongArgs w, float* f, char* command_trace, char* reply_trace);

#ifdef __cplusplus
}
#endif

#endif /* TEV_MODULE_ALARM_H */
