/* Reads one channel of a 7017 analog input module through tev_module.
 *
 * usage: read_7017 [port [address [channel [baud]]]]   (defaults: 3, 0x06, 0, 9600)
 * The port number maps to a device as uart.h describes (TEV_COM<N>, the ports file, /dev/ttyS<N-1>).
 * Prints "channel C: VALUE" and exits 0, or prints the result code and exits 1.
 */
#include <stdio.h>
#include <stdlib.h>

#include <tev/tev_module.h>
#include <tev/uart.h>

int main(int argc, char** argv) {
    const uint8_t port = (uint8_t)(argc > 1 ? strtoul(argv[1], NULL, 0) : 3);
    const uint16_t address = (uint16_t)(argc > 2 ? strtoul(argv[2], NULL, 0) : 0x06);
    const uint16_t channel = (uint16_t)(argc > 3 ? strtoul(argv[3], NULL, 0) : 0);
    const uint32_t baud = (uint32_t)(argc > 4 ? strtoul(argv[4], NULL, 0) : 9600);

    if (OpenLink(port, baud, 8, UART_PARITY_NONE, 0) != UART_OK) {
        char why[200];
        UartOpenError(port, why, sizeof why);
        fprintf(stderr, "cannot open COM%u: %s\n", port, why);
        return 1;
    }

    /* port, address, module identifier, checksum off, timeout 500 ms, channel, trace on */
    uint16_t w[12] = {port, address, 0x7017, 0, 500, channel, 1};
    float f[8] = {0};
    char command[100] = "";
    char reply[100] = "";
    const uint16_t rc = AnalogIn(w, f, command, reply);
    CloseLink(port);

    printf("sent \"%s\", received \"%s\"\n", command, reply);
    if (rc != TEV_MODULE_OK) {
        printf("AnalogIn failed with code %u\n", rc);
        return 1;
    }
    printf("channel %u: %.3f\n", channel, f[0]);
    return 0;
}
