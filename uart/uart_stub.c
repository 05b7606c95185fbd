/* Placeholder serial library: no ports, nothing opens, nothing is sent. */
#include "UART.h"

void com_close(void) {}
int com_getActive(signed char* list, int capacity) { (void)list; (void)capacity; return 0; }
int com_init(int port, int baud) { (void)port; (void)baud; return 0; }
void com_clear(void) {}
int Qor_UartSendCommand(int code, int length, const unsigned char* payload) {
  (void)code; (void)length; (void)payload; return -1;
}
int Qor_UartReceiveSync(int timeout_ms, int capacity, unsigned char* buffer) {
  (void)timeout_ms; (void)capacity; (void)buffer; return 0;
}
