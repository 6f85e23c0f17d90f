/* tev_module - Digital input and output commands. */
#ifndef TEV_MODULE_DIGITAL_H
#define TEV_MODULE_DIGITAL_H

#include "tev_module_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#ifdef __cplusplus
}
#endif

#endif /* TEV_MODULE_DIGITAL_H */
