#pragma once
// Low latency on a Linux serial device. A USB serial adapter keeps a short reply
// in its buffer until its latency timer runs out (16 ms by default on some),
// which on a request-and-answer line costs more than the bytes; the driver's
// low-latency flag (ASYNC_LOW_LATENCY) makes it pass every reply on at once (an
// FTDI driver sets its timer to 1 ms). Pseudo-terminals and drivers without
// serial settings refuse the request: that is no fault, the line works as before.

namespace r27 {

enum class Latencia_puerto {
  ya_baja,    // the flag was already set: nothing changed
  pedida,     // the flag is set now; give it back at close
  rechazada,  // the device has no such setting or refused it
};

// Asks the driver of the open device fd for low latency.
Latencia_puerto Pedir_baja_latencia(int fd);
// Clears the flag again (after `pedida`), so the next program finds the device
// as it was. A device that has gone is no fault.
void Devolver_latencia(int fd);

}  // namespace r27
