/* uart - serial link library: moves bytes and ASCII commands over a serial line.
 *
 * Ports are numbered 1..255 (1 = COM1). Port N names a device, looked up in order:
 *   1. the environment variable TEV_COM<N>, e.g. TEV_COM3=/dev/ttyUSB0;
 *   2. a ports file with lines "COM<N>=<device>" ('#' or ';' start a comment): the file named by
 *      TEV_PORTS_FILE, else $XDG_CONFIG_HOME/tev/ports (~/.config/tev/ports), else /etc/tev/ports;
 *      the first of them that is a readable regular file is the only one read (its first 64 KiB);
 *   3. the default /dev/ttyS<N-1>.
 *
 * A port may also name a serial line behind a network gateway (a serial device server, or ser2net):
 *   - "tcp://HOST:PORT": raw TCP, the bytes of the line and nothing else. The gateway's own line
 *     settings apply: OpenLink's rate, parity and stop bits are not sent (set them on the gateway).
 *   - "rfc2217://HOST:PORT": Telnet with the COM-PORT-CONTROL option (RFC 2217). OpenLink negotiates
 *     it (with BINARY and SUPPRESS-GO-AHEAD), sets rate, 8 data bits, parity and stop bits on the
 *     gateway and waits for the gateway to confirm them. Data bytes 0xFF are escaped both ways;
 *     Telnet commands from the gateway never reach the caller's buffer.
 * HOST is a host name, an IPv4 address or an IPv6 address in brackets ("tcp://[::1]:4001"). The
 * name lookup and connect together, and on an RFC 2217 line the confirmation of the settings, each
 * take at most UART_CONNECT_TIMEOUT_MS; UartCancel or CloseLink from another thread end them at once
 * (UART_CANCELLED). A failed open gives UART_PORT_ERROR (UART_BAUD_ERROR for a rate the gateway
 * would not set) and UartOpenError says why: "connection refused", "unreachable", "name not
 * found", "connect timed out", or "busy" for a gateway that closes the connection at once because
 * it serves another client (on a raw line OpenLink waits 30 ms for such a close).
 * Everything else works as on a device. A connection the gateway closes or resets fails the call
 * that finds it with UART_NOT_OPEN and closes the port (UartOpenError: "connection closed by the
 * gateway"); the next OpenLink connects afresh. OpenLink of an open network port reconnects when
 * the gateway has closed the connection.
 *
 * Line settings: 8 data bits, one stop bit, parity none/even/odd, raw mode (no flow control, no
 * CR/LF translation, no echo). A byte received with a framing error, or with parity even or odd a
 * wrong parity bit, fails the receive or exchange that got it with UART_LINE_ERROR (the kernel marks
 * such bytes, PARMRK): a reply sent at the other parity, or damaged on the line, is never taken.
 * ReceiveBytes and ReceiveFrame still store what arrived, the damaged byte as 0x00; an exchange hands
 * back an empty text.
 * The device is opened with O_NOCTTY and held exclusively while the port is open: an advisory lock
 * (flock LOCK_EX) that refuses any other opener taking it, this library in another process or under
 * another port number included, privileged or not, and on a serial device (not a pseudo-terminal)
 * the exclusive flag (TIOCEXCL) that refuses other unprivileged openers. Both are given up by
 * CloseLink; the lock also when the program ends in any way. A pseudo-terminal does not get the flag,
 * which would outlive a killed program for as long as the device side stays open. A device held
 * elsewhere gives UART_PORT_ERROR, and UartOpenError says "busy".
 *
 * A reply always belongs to its request. Pending input is discarded before every send (SendBytes,
 * SendCommand, ExchangeCommand). A receive or exchange that ends without a clean end - on its timeout,
 * with a reply too long, at the maximum byte count, or with bytes after the frame its rule reported -
 * leaves the port unsettled: the rest of that reply may still be on its way. The next send on the
 * port then first waits until the line has been quiet for the guard: that call's timeout, but at
 * most UART_GUARD_MAX_MS and at least UART_GAP_MS, plus UART_GUARD_CHARS character times (at 9600
 * bit/s without parity 104 ms after a 100 ms timeout, 34 ms after a 5 ms one), counted from the end
 * of that call, and drops what came. A reply still streaming in is waited for whole; a line that
 * never falls quiet is given up on after the guard plus UART_GUARD_SPAN_CHARS character times (417 ms
 * in all after a 100 ms timeout at 9600 bit/s). A send long after the unsettled call, or after a
 * clean one, does not wait. A caller that tells a late reply from the answer to its next request
 * itself may skip the guard with UartSettle.
 * The guard learns how late the device answers. Bytes that come after a timed-out request - during
 * the guard, pending at the next send, or as a first frame with a second one right behind it in the
 * next receive - show when its reply came; the port keeps the latest such lateness, at most
 * UART_GUARD_LEARN_MAX_MS. From then on the send after a timeout also waits until the timed-out
 * request is that lateness plus a quarter of it old (2500 ms at most), quiet as above, and drops what
 * came. After UART_GUARD_CLEAN_RUN clean exchanges in a row what was learned is halved, and dropped
 * below UART_GAP_MS. A line whose device is absent never learns anything: no byte ever comes, and its
 * guard stays the plain one above.
 * Where a reply could still be an earlier one it is not used: bytes pending at a send make it wait
 * until the line has been quiet for UART_GAP_MS plus UART_GUARD_CHARS character times; and in the
 * receive right after a timed-out
 * request (ReceiveFrame with a rule, ExchangeCommand), a frame is only taken once the silence gap
 * after it has passed without further bytes (that receive ends up to one silence gap later; bytes
 * behind the frame drop it as the late reply, and the receive goes on for the next).
 *
 * Receiving ends at the first of:
 *   - the timeout, counted from the call (a timeout of 0 only collects what is already there);
 *     time spent waiting for another thread's call on the same port counts in;
 *   - the maximum byte count;
 *   - a hang-up of the device (for a pseudo-terminal: its other end closed);
 *   - with a frame rule (ReceiveFrame): the moment the rule says the bytes form a complete frame;
 *     a silence does not end such a receive, so a frame delivered in slow chunks is not cut;
 *   - without a frame rule: a silence on the line after at least one byte, UART_GAP_MS plus 3.5
 *     character times at the port's rate (34 ms at 9600 bit/s). USB-serial adapters hand over a
 *     frame in chunks up to about 16 ms apart; the gap is long enough not to cut such a frame.
 *
 * ASCII commands (ExchangeCommand, SendCommand): the command text, then with the checksum flag set
 * two upper-case hex digits of the byte sum of the command modulo 256, then CR (0x0D). The reply is
 * read up to CR; the CR is removed. With the checksum flag set the last two characters of the reply
 * must be the checksum of the characters before them (else UART_CHECKSUM_ERROR); they stay in the
 * text handed back. A reply never writes more than UART_REPLY_MAX bytes (text plus terminating zero)
 * into the reply buffer; a longer reply gives UART_REPLY_TOO_LONG and an empty text.
 *
 * Byte trace: with the environment variable TEV_TRACE=1 (read once, at the first frame) every frame
 * sent and received is written to stderr as one line: local time with milliseconds, COM<N>, the
 * device or network address, the direction ("->" sent, "<-" received, "drop" discarded while waiting for the guard),
 * the bytes in hex (the first 512), for ASCII commands and replies also the text in quotes, and a
 * note such as "(timeout)" when the call failed. Off by default; off, it costs one flag check.
 *
 * No call blocks longer than its timeout plus the time needed to write the request, plus for a send
 * on an unsettled port the guard plus UART_GUARD_SPAN_CHARS character times (after a learned lateness:
 * until the timed-out request is 5/4 of it old, then the guard plus UART_GUARD_SPAN_CHARS character
 * times), plus for a send with bytes pending the silence gap plus UART_GUARD_SPAN_CHARS character times.
 * All functions are safe to call from several threads; calls on one port are serialised: receives
 * and exchanges give up waiting for the port when their timeout has passed (UART_TIMEOUT), the
 * other calls wait until the call holding the port has ended.
 * A blocked call is woken from another thread by UartCancel (the port stays open) or CloseLink of
 * its port: the calls that began before it - the one using the line and those waiting for the
 * port - return UART_CANCELLED at once (a receive keeps the bytes that had arrived and counts them
 * in *received; an exchange hands back an empty reply). A cancelled call leaves the port unsettled.
 */
#ifndef TEV_UART_H
#define TEV_UART_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(UART_BUILDING)
#define UART_API __attribute__((visibility("default")))
#else
#define UART_API
#endif

/* Status values. 0 is success; the others never collide with tev_module's own result codes. */
enum {
    UART_OK = 0,
    UART_PORT_ERROR = 2,      /* the device could not be opened or configured; see UartOpenError */
    UART_BAUD_ERROR = 3,      /* a baud rate the line cannot be set to */
    UART_PARITY_ERROR = 6,    /* a parity, data bit or stop bit setting other than the supported ones */
    UART_CHECKSUM_ERROR = 7,  /* the reply's checksum characters do not match */
    UART_NOT_OPEN = 8,        /* the port is not open */
    UART_WRITE_ERROR = 10,    /* the request could not be written completely */
    UART_REPLY_TOO_LONG = 14, /* no CR within UART_REPLY_MAX - 1 characters */
    UART_TIMEOUT = 15,        /* no complete reply within the timeout */
    UART_CANCELLED = 16,      /* woken by UartCancel or CloseLink of the port from another thread */
    UART_LINE_ERROR = 11      /* a byte arrived with a parity or framing error */
};

/* Size of the largest ASCII reply handed back, terminating zero included. */
#define UART_REPLY_MAX 80
/* Fixed part of the silence that ends a receive without a frame rule, in milliseconds. */
#define UART_GAP_MS 30
/* The guard before a send on an unsettled port: at most this many milliseconds of the last call's
 * timeout, plus this many character times. */
#define UART_GUARD_MAX_MS 100
#define UART_GUARD_CHARS 4
/* The longest a send waits for an unsettled line to fall quiet: the guard plus this many character
 * times, room for the longest frame (an M-Bus long frame with its wake-up bytes). */
#define UART_GUARD_SPAN_CHARS 300
/* The most a port learns of how late its device answers (see the guard above), and the run of
 * clean exchanges after which what it learned is halved. */
#define UART_GUARD_LEARN_MAX_MS 2000
#define UART_GUARD_CLEAN_RUN 20
/* The longest a connect to a network gateway takes, and on an RFC 2217 line the longest OpenLink
 * waits for the gateway to confirm the line settings, in milliseconds. */
#define UART_CONNECT_TIMEOUT_MS 3000
/* Parity values of OpenLink. */
#define UART_PARITY_NONE 0
#define UART_PARITY_EVEN 1
#define UART_PARITY_ODD 2

/* Opens port (1..255) and configures it: baud in bit/s (300..115200, any rate termios knows),
 * data_bits 8, parity UART_PARITY_*, stop_bits 0 (one stop bit) or 2 (two). Opening an open port
 * reconfigures it; if that fails the port is closed. On a pseudo-terminal, where the kernel has no
 * parity, the parity is accepted and ignored. */
UART_API uint16_t OpenLink(uint8_t port, uint32_t baud, uint8_t data_bits, uint8_t parity, uint8_t stop_bits);

/* Closes port; closing a port that is not open does nothing. Calls on the port under way in other
 * threads are ended first, as by UartCancel. */
UART_API uint16_t CloseLink(uint8_t port);

/* Discards pending input (after the guard on an unsettled port) and writes count bytes. Returns once
 * the bytes are written. */
UART_API uint16_t SendBytes(uint8_t port, const uint8_t* buffer, uint16_t count);

/* Receives up to max_count bytes into buffer, ending as described above. *received (may be NULL)
 * gets the byte count. Returns UART_OK when at least one byte arrived, UART_TIMEOUT when none did,
 * UART_LINE_ERROR when one arrived damaged; a receive in which nothing arrives leaves buffer
 * untouched. */
UART_API uint16_t ReceiveBytes(uint8_t port, uint8_t* buffer, uint16_t timeout_ms, uint16_t max_count,
                               uint16_t* received);

/* Frame rule: given the bytes received so far, returns the length of the complete frame they hold,
 * or 0 while more bytes are needed. It is called after every chunk that arrives. A result larger
 * than length counts as 0: the frame is not complete until its bytes have arrived. */
typedef size_t (*UartFrameRule)(const uint8_t* data, size_t length, void* context);

/* ReceiveBytes that ends as soon as rule reports a complete frame. *received gets the bytes kept:
 * the frame length reported by the rule (bytes after it are dropped), or all bytes when the receive
 * ended otherwise. Returns UART_OK for a complete frame, UART_TIMEOUT when nothing or only part of
 * a frame arrived. A NULL rule makes it ReceiveBytes. */
UART_API uint16_t ReceiveFrame(uint8_t port, uint8_t* buffer, uint16_t timeout_ms, uint16_t max_count,
                               uint16_t* received, UartFrameRule rule, void* context);

/* Sends the ASCII command and reads its reply into reply (at least UART_REPLY_MAX bytes). checksum:
 * 0 off, any other value on. *reply_length (may be NULL) gets the length of the reply text.
 * On failure reply holds an empty text. */
UART_API uint16_t ExchangeCommand(uint8_t port, const char* command, char* reply, uint16_t timeout_ms,
                                  uint16_t checksum, uint16_t* reply_length);

/* Sends the ASCII command without waiting for a reply. */
UART_API uint16_t SendCommand(uint8_t port, const char* command, uint16_t checksum);

/* Ends the calls on port under way in other threads: a call waiting for the port, for the line to
 * settle, for the driver to take its bytes or for a reply returns UART_CANCELLED at once. Calls that
 * begin after it run normally; the port stays open. Returns UART_OK. */
UART_API uint16_t UartCancel(uint8_t port);

/* Marks port settled: the next send does not wait for the guard that the last receive left (pending
 * input is still discarded before it). Only for a caller that accepts nothing but a frame naming its
 * own request - a Modbus reply, whose slave address, function and byte count are covered by its CRC -
 * and whose next request a late reply to the last one cannot answer (another slave address). Every
 * other caller keeps the guard: without this call each send on an unsettled port waits for it.
 * Waits for a call holding the port. Returns UART_OK, or UART_NOT_OPEN. */
UART_API uint16_t UartSettle(uint8_t port);

/* Writes the device path that port maps to (zero-terminated, cut to size). Returns the length of
 * the full path. */
UART_API size_t UartPortDevice(uint8_t port, char* buffer, size_t size);

/* Writes why the last OpenLink of port failed (errno text, with a hint for permission errors), or an
 * empty text when it succeeded; after a network connection the gateway closed, that. Returns the length of the full text. */
UART_API size_t UartOpenError(uint8_t port, char* buffer, size_t size);

#ifdef __cplusplus
}
#endif

#endif /* TEV_UART_H */
