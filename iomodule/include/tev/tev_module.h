/* tev_module - remote I/O modules of the I-7000 family, their 8000 cards (_8K) and 87K cards (_87K)
 * over an ASCII serial line.
 *
 * Each command function builds one ASCII command, exchanges it through uart's ExchangeCommand and
 * unpacks the reply into the caller's arrays. The caller opens the port with uart's OpenLink first
 * and closes it afterwards; the library neither opens nor closes ports and keeps no configuration.
 *
 * This header holds the utilities and includes one header per command family; the shared types,
 * slot numbers and result codes are in tev_module_types.h.
 */
#ifndef TEV_MODULE_H
#define TEV_MODULE_H

#include <tev/tev_module_types.h>

#include <tev/tev_module_alarm.h>
#include <tev/tev_module_analog_in.h>
#include <tev/tev_module_analog_out.h>
#include <tev/tev_module_counter_7080.h>
#include <tev/tev_module_digital.h>
#include <tev/tev_module_watchdog.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Version of the library's interface: 0x0506. */
TEV_MODULE_API uint16_t Get_Dll_Version(void);

/* Fills the traces with "Command String Send to I7000" and "Command String Receive From I7000", adds 1
 * to integer slots 0-3 and 1.0 to float slots 0-3; returns 0. NULL arrays are skipped. */
TEV_MODULE_API uint16_t Test(WordArgs w, float* f, char* command_trace, char* reply_trace);

/* a - b, not folded back into 16 bits (-32768 - 1 = -32769). */
TEV_MODULE_API int32_t Short_Sub_2(int16_t a, int16_t b);

/* a - b. */
TEV_MODULE_API float Float_Sub_2(float a, float b);

/* The same 32 bits, to be read as unsigned. */
TEV_MODULE_API uint32_t IntToUnsig(int32_t value);

/* value shifted left by count mod 32 (the count's low five bits). */
TEV_MODULE_API int32_t ShiftLeft(int32_t value, int32_t count);

/* value shifted right by count mod 32, arithmetically (the sign bit is copied in). */
TEV_MODULE_API int32_t ShiftRight(int32_t value, int32_t count);

/* Builds the CRC table of the CCITT polynomial x^16 + x^12 + x^5 + 1 once; later calls do nothing.
 * Safe when first calls come from several threads at once. */
TEV_MODULE_API void MakeCRC16Table(void);

/* CRC over count bytes: register c = 0; per byte b, c = table[c >> 8] ^ (c << 8) ^ b (16 bits).
 * The byte enters the low end, so the result equals CRC-16/XMODEM only when the data is followed by
 * two zero bytes. Zero bytes, a negative count or a NULL pointer give 0. */
TEV_MODULE_API uint32_t GetCRC16(const uint8_t* data, int32_t count);

#ifdef __cplusplus
}
#endif

#endif /* TEV_MODULE_H */
