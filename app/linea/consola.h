#pragma once
// The console of the system the program runs on: whether a standard stream is a
// terminal, and Ctrl-C while an update runs.
namespace r27 {

// 0 stdin, 1 stdout, 2 stderr.
bool Es_terminal(int descriptor);

// The texts are UTF-8 (the language file's, and the built-in ones): a Windows
// console is switched to that code page, so "Actualización" does not come out as
// "ActualizaciÃ³n"; elsewhere nothing changes.
void Preparar_consola();

// From now on Ctrl-C is counted instead of ending the program; it also breaks a
// pending read of stdin. Tomar_interrupcion says whether one came since the last
// call. While `Permitir_fin(true)` holds, Ctrl-C ends the program at once (it
// would interrupt nothing that matters).
void Vigilar_interrupcion();
bool Tomar_interrupcion();
void Permitir_fin(bool permitido);

// Waits until stdin has something to read: false when a Ctrl-C came first, also
// one that came just before the wait (a read begun after it would not be broken).
bool Esperar_entrada();

}  // namespace r27
