/* An outside C program that uses only the installed header and library: it opens a
 * pseudo-terminal through TEV_COM9 and exchanges bytes with its other end. */
#define _XOPEN_SOURCE 600
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <tev/uart.h>
#include <unistd.h>

int main(void) {
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
        return 2;
    setenv("TEV_COM9", ptsname(master), 1);
    if (OpenLink(9, 9600, 8, UART_PARITY_EVEN, 0) != UART_OK)
        return 3;
    const uint8_t request[] = {0x10, 0x40, 0xFD, 0x3D, 0x16};
    if (SendBytes(9, request, sizeof request) != UART_OK)
        return 4;
    uint8_t seen[5];
    if (read(master, seen, sizeof seen) != (ssize_t)sizeof seen || memcmp(seen, request, sizeof seen) != 0)
        return 5;
    const uint8_t ack = 0xE5;
    if (write(master, &ack, 1) != 1)
        return 6;
    uint8_t reply[8] = {0};
    uint16_t count = 0;
    if (ReceiveBytes(9, reply, 1000, sizeof reply, &count) != UART_OK || count != 1 || reply[0] != 0xE5)
        return 7;
    CloseLink(9);
    puts("outside program: exchange ok");
    return 0;
}
