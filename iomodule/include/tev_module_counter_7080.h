/* tev_module - 7080 counter and frequency module commands. */
#ifndef TEV_MODULE_COUNTER_7080_H
#define TEV_MODULE_COUNTER_7080_H

#include "tev_module_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#ifdef __cplusplus
}
#endif

#endif /* TEV_MODULE_COUNTER_7080_H */
