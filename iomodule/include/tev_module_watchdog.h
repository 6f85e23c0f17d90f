/* tev_module - Host watchdog, safe and power-on values, configuration status commands. */
#ifndef TEV_MODULE_WATCHDOG_H
#define TEV_MODULE_WATCHDOG_H

#include "tev_module_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#ifdef __cplusplus
}
#endif

#endif /* TEV_MODULE_WATCHDOG_H */
