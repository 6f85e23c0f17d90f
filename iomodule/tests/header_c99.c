/* Compiled with -std=c99 -pedantic-errors by the test tev_module_header_c99. */
#include <tev/tev_module.h>

int main(void) {
    uint16_t w[12] = {1, 1, 0x7017, 0, 100, 0, 0, 0, 0, 0, 0, 0};
    float f[8] = {0};
    char command[100];
    char reply[100];
    return w[0] == 0 ? AnalogIn(w, f, command, reply) : Get_Dll_Version() == 0x0506 ? 0 : 1;
}
