/* libUART: the serial link library. Owns the serial port and the framing of
 * requests on the wire. C linkage, so that any program can bind to it.
 *
 * Wire framing of a request: 0xFC, code, payload length (16-bit big-endian),
 * payload. A response: 0xFE, status, payload length (32-bit big-endian),
 * payload. */
#ifndef KELVARA_UART_H
#define KELVARA_UART_H

#ifdef __cplusplus
extern "C" {
#endif

/* Closes the open port; harmless when none is open. */
void com_close(void);

/* Fills `list` with up to `capacity` port numbers (3 for COM3) and returns how
 * many it filled; 0 or less means none. */
int com_getActive(signed char* list, int capacity);

/* Opens port number `port`; `baud` 0 selects the default rate. Non-zero when
 * the port is open and ready, 0 on failure with errno saying why: ENOENT no
 * such port or its device is missing, EACCES no permission, EBUSY another
 * user of this library holds the device, ENOTTY not a terminal, EINVAL an
 * unsupported rate. */
int com_init(int port, int baud);

/* Discards data pending on the port in both directions. */
void com_clear(void);

/* Sends one request. Returns the number of bytes put on the line: length + 4
 * when the whole request went out. */
int Qor_UartSendCommand(int code, int length, const unsigned char* payload);

/* Waits up to `timeout_ms` for one response and writes it, header first, to
 * `buffer` (never more than `capacity` bytes). Returns the number of bytes
 * written; fewer than 6 means nothing usable. */
int Qor_UartReceiveSync(int timeout_ms, int capacity, unsigned char* buffer);

#ifdef __cplusplus
}
#endif

#endif /* KELVARA_UART_H */
