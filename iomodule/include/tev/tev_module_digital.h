/* tev_module - digital input and output commands.
 *
 * Port values are upper-case hex digits on the wire, high digit first. Single-bit writes take the
 * bit and the state from the slots each function names; a state other than 0 or 1 gives
 * TEV_MODULE_VALUE_OUT_OF_RANGE.
 *
 * Port writes mask the value to the model's outputs instead of refusing it: 0xFFFF is sent to a 7042
 * as 1FFF. The 8000 and 87K read functions send their command for any identifier and choose the
 * reply field by model afterwards, so an identifier they do not serve gives
 * TEV_MODULE_MODEL_NOT_SERVED after the traffic. Functions that clear their result slot do so as
 * soon as the exchange has returned, so the slot reads 0 after any failure that follows.
 *
 * Decisions:
 *   - DigitalBitOut_8K sends the bit of a 16-output card (8056, 8057) as one hex digit, so bits 10-15
 *     go out as A-F rather than as the characters after '9'.
 *   - The counter functions send the channel as one hex digit and refuse channels above 15 with
 *     TEV_MODULE_COUNTER_CHANNEL: channel 16 of an 87051 or 87053 would otherwise go out as 0 and
 *     read or clear the wrong counter. Within 0-15 the limits are the models' ones below.
 *   - DigitalBitOut_8K and DigitalBitOut_87K check the model (17) before the state (4);
 *     DigitalBitOut checks the state first, also for a model it does not serve.
 *   - DigitalInLatch_87K does not clear slot 7; only DigitalIn, DigitalOutReadBack and the 8000 and
 *     87K port reads clear their result slot.
 */
#ifndef TEV_MODULE_DIGITAL_H
#define TEV_MODULE_DIGITAL_H

#include <tev/tev_module_types.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Port write of slot 5. 7042 "@AA" and 4 digits (AND 0x1FFF), 7043 4 digits, 7044, 7050 2 digits
 * (AND 0xFF), 7060 1 digit (AND 0xF), 7063 1 digit (AND 0x7), 7065 2 digits (AND 0x1F), 7066, 7067
 * 2 digits (AND 0x7F): reply ">". 7011, 7012, 7014, 7080: "@AADO0" and slot 5 (0-3, else 4): "!AA". */
TEV_MODULE_API uint16_t DigitalOut(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* Bit slot 7 to state slot 8 (0/1, else 4, tested first). "#AA1b0s"; 7042, 7043 (and their 4000/8000
 * numbers) "#AAAb0s" for bits 0-7, "#AAB(b-8)0s" for bits 8-15. Highest bit: 7042 12, 7043 15,
 * 7044, 7050 7, 7060 3, 7063 2, 7065 4, 7066, 7067 6, 7068 8 (and their 4000/8000 numbers); else 4. */
TEV_MODULE_API uint16_t DigitalBitOut(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* 7016: output channel slot 5 (0-3, else 4) to state slot 7 (0, or any other value for 1):
 * "@AADOsN", reply "!AA". */
TEV_MODULE_API uint16_t DigitalOut_7016(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* "$AA6", reply "!" and 6 characters: slot 5 = 4 hex digits at 1-4 (7042, 7043) or 2 at 1-2 (7044,
 * 7050, 7060, 7063, 7065, 7066, 7067). Slot 5 cleared after the exchange. */
TEV_MODULE_API uint16_t DigitalOutReadBack(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* DIO models 7041-7044, 7050, 7052, 7053, 7055, 7060, 7063, 7065, 7068 (and 4000/8000 numbers):
 * "$AA6", 7 characters, slot 5 = hex digits 1-4. 7011, 7012, 7014, 7016 (and 4000/8000): "@AADI",
 * 8 characters, slot 5 = the hex digit at 7. Slot 5 cleared after the exchange. */
TEV_MODULE_API uint16_t DigitalIn(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* Input counter of channel slot 5: 7041 0-13, 7044 0-3, 7050 0-6, 7052 0-7, 7053 0-15, 7060 0-3,
 * 7063 0-7, 7065 0-3, else 24. "#AAN" (hex digit), reply "!AA" and 5 digits: slot 7. */
TEV_MODULE_API uint16_t DigitalInCounterRead(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* As DigitalInCounterRead: "$AACN", reply "!AA". */
TEV_MODULE_API uint16_t ClearDigitalInCounter(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* "$AAL0" (slot 5 = 0) or "$AAL1" (other values), reply "!" and 6 characters: slot 7 = 7041 (hex
 * 1-4 AND 0x3FFF), 7044 (1-4, 0xF), 7053 (1-4, 0xFFFF), 7065 (1-4, 0xF), 7050 (3-4, 0x7F), 7060
 * (3-4, 0xF), 7063 (3-4, 0xFF), 7052 (1-2, 0xFF). */
TEV_MODULE_API uint16_t DigitalInLatch(WordArgs w, float* f, char* command_trace, char* reply_trace);
/* Any model: "$AAC", reply "!AA". */
TEV_MODULE_API uint16_t ClearDigitalInLatch(WordArgs w, float* f, char* command_trace, char* reply_trace);

/* 8000 cards, card slot in slot 7. Port write of slot 5: "#AASs00" and 2 digits (8054, 8055, 8064,
 * 8065, 8066, 8068, 8077, 5054, 5055, 5064, 5065, 5066, 5068: AND 0xFF; 8060, 5060: AND 0x3F), 4 digits
 * (8056, 8057, 5056, 5057), "0" and 1 digit (8063, 5063); "@AASs" and 4 digits (8042) or the whole
 * 32-bit slot as 8 digits (8041). Reply ">". */
TEV_MODULE_API uint16_t DigitalOut_8K(LongArgs w, float* f, char* command_trace, char* reply_trace);
/* Bit slot 8 to state slot 5 (0/1, else 4). 8041 (bits 0-32), 8042 (0-16): "@AASsSC", the bit as
 * 2 hex digits, the state; 8054, 8055, 8064, 8065, 8066, 8068, 8077 (0-7), 8056, 8057 (0-15), 8060
 * (0-5), 8063 (0-3): "#AASs1b0s". A bit above the limit gives 18. The 8041's bit 32 and the 8042's
 * bit 16 are sent and left to the card to refuse. */
TEV_MODULE_API uint16_t DigitalBitOut_8K(LongArgs w, float* f, char* command_trace, char* reply_trace);
/* "$AASs6", reply "!" and 8 characters (8040, 8042: 10): slot 5 = 8040 "%08X" at 3, 8042 "%04X" at
 * 7, 8051, 8053, 5051, 5053 "%04X" at 3, 8052, 8058, 5052 "%02X" at 3, 8054, 8055, 8077, 5054, 5055
 * "%02X" at 5, 8063, 5063 "%01X" at 6. */
TEV_MODULE_API uint16_t DigitalIn_8K(LongArgs w, float* f, char* command_trace, char* reply_trace);
/* "$AASs6", reply "!" and 8 characters (8041, 8042: 10): slot 5 = 8041 "%08X" at 3; 8042, 8056,
 * 8057, 5056, 5057 "%04X" at 3; 8054, 8055, 8060, 8064, 8065, 8066, 8068, 8077 and their 5000 numbers
 * "%02X" at 3; 8063, 5063 "%01X" at 3. */
TEV_MODULE_API uint16_t DigitalOutReadBack_8K(LongArgs w, float* f, char* command_trace, char* reply_trace);

/* 87K cards. Port write of slot 5 "@AA" and: 2 digits (87054, 87055, 87064, 87065, 87066, 87068,
 * 87069: AND 0xFF; 87060: AND 0x3F), 4 digits (87056, 87057), 1 digit (87063: AND 0xF). Reply ">". */
TEV_MODULE_API uint16_t DigitalOut_87K(LongArgs w, float* f, char* command_trace, char* reply_trace);
/* Bit slot 7 to state slot 8 (0/1, else 4): "#AAAb0s" for bits 0-7, "#AAB(b-8)0s" for 8-15.
 * Highest bit: 8-output cards 7, 87056, 87057 15, 87060 5, 87063 3; else 18. */
TEV_MODULE_API uint16_t DigitalBitOut_87K(LongArgs w, float* f, char* command_trace, char* reply_trace);
/* "$AA6", reply "!" and 6 characters: slot 5 = 87051, 87053 (hex 1-4, 0xFFFF), 87052, 87058 (1-2,
 * 0xFF), 87054, 87055 (3-4, 0xFF), 87063 (3-4, 0xF). */
TEV_MODULE_API uint16_t DigitalIn_87K(LongArgs w, float* f, char* command_trace, char* reply_trace);
/* "$AA6": slot 5 = 8-output cards (hex 1-2, 0xFF), 87056, 87057 (1-4, 0xFFFF), 87060 (1-2, 0x3F),
 * 87063 (1-2, 0xF). */
TEV_MODULE_API uint16_t DigitalOutReadBack_87K(LongArgs w, float* f, char* command_trace, char* reply_trace);
/* Input counter of channel slot 5: 87051, 87053 up to 15, 87052, 87054, 87055 up to 8, 87063 up to
 * 4, else 24. "#AAN", reply "!AA" and 5 digits: slot 7 (AND 0xFFFF). */
TEV_MODULE_API uint16_t DigitalInCounterRead_87K(LongArgs w, float* f, char* command_trace,
                                                 char* reply_trace);
/* As DigitalInCounterRead_87K: "$AACN", reply "!AA". */
TEV_MODULE_API uint16_t ClearDigitalInCounter_87K(LongArgs w, float* f, char* command_trace,
                                                  char* reply_trace);
/* "$AAL0" / "$AAL1" as DigitalInLatch: slot 7 = 87051, 87053 (hex 1-4, 0xFFFF), 87052 (1-2, 0xFF),
 * 87054, 87055 (3-4, 0xFF), 87063 (3-4, 0xF). */
TEV_MODULE_API uint16_t DigitalInLatch_87K(LongArgs w, float* f, char* command_trace, char* reply_trace);
/* Any model: "$AAC", reply "!AA". */
TEV_MODULE_API uint16_t ClearDigitalInLatch_87K(LongArgs w, float* f, char* command_trace, char* reply_trace);

#ifdef __cplusplus
}
#endif

#endif /* TEV_MODULE_DIGITAL_H */
