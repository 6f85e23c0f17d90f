/* tev_module - Alarms, event counter, LED display and linear mapping commands. */
#ifndef TEV_MODULE_ALARM_H
#define TEV_MODULE_ALARM_H

#include "tev_module_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#ifdef __cplusplus
}
#endif

#endif /* TEV_MODULE_ALARM_H */
