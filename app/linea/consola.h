#pragma once
// The console of the system the program runs on: whether a standard stream is a
// terminal, and the requests to end the program while a run goes on.
namespace r27 {

// 0 stdin, 1 stdout, 2 stderr.
bool Es_terminal(int descriptor);

// The columns of the terminal on `descriptor`; 0 when it is none or does not say.
int Columnas_terminal(int descriptor);

// The texts are UTF-8 (the language file's, and the built-in ones): a Windows
// console is switched to that code page, so "Actualización" does not come out as
// "ActualizaciÃ³n"; elsewhere nothing changes.
void Preparar_consola();

// From now on every request to end the program is counted instead of ending it:
// Ctrl-C; on Linux SIGTERM, SIGHUP (the terminal closed) and SIGPIPE (the reader
// of the output went away: the write fails with EPIPE, and output that cannot be
// written is dropped); on Windows Ctrl-Break, the console closing, the user
// logging off and the system shutting down. The run takes each request where the
// meter is safe: it refuses it while the meter is written, and ends at a question
// or between runs. Each request also breaks a pending read of stdin.
// Tomar_interrupcion says whether one came since the last call.
//
// On Windows the system ends the process a few seconds after the console closes
// (or the session ends), whatever the program does: until then it waits for the
// run to end (Fin_de_ejecucion); when time runs out first, it calls `al_fin`
// (every run still going leaves its "interrupted" record, anotacion_en_curso.h)
// before the process goes. Nothing of the kind can be seen coming elsewhere.
void Vigilar_interrupcion(void (*al_fin)());
bool Tomar_interrupcion();
// Every run has ended and its record is written: a console closing need not wait.
void Fin_de_ejecucion();

// Waits until stdin has something to read: false when a request to end came
// first, also one that came just before the wait (a read begun after it would
// not be broken). The request stays to be taken.
bool Esperar_entrada();

}  // namespace r27
