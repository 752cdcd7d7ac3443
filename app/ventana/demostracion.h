#pragma once
// The unattended demonstration of the run command on a machine without a
// display: the wizard is clicked through against whatever meter the port
// directory leads to, and every screen is saved as a picture.
#include <QString>

namespace r27 {

class Tventana_brisco;

// Presses the wizard button twice and saves 01-....png, 02-....png, ... into
// `carpeta` (created when missing), one per screen shown, the start screen first.
// Messages are printed on standard output. False when a picture could not be saved.
bool Demostracion(Tventana_brisco& ventana, const QString& carpeta);

}  // namespace r27
