// The update's operator interface on a terminal.
#include "app/linea/ventana_linea.h"

#include "app/linea/mensajes_linea.h"
#include "app/nucleo/abrir_hex.h"
#include "app/nucleo/imagen_firmware.h"

namespace r27 {

namespace {

// The texts of a screen worth printing: not the empty ones.
void Escribir_lineas(Ventana_linea& v, const Pantalla& p, size_t cuantas) {
  for (size_t i = 0; i < cuantas && i < p.lineas.size(); ++i)
    if (!p.lineas[i].empty()) v.Escribir(p.lineas[i]);
}

std::string Minusculas(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::string Recortar(std::string_view s) {
  const size_t a = s.find_first_not_of(" \t\r\n");
  if (a == std::string::npos) return {};
  const size_t b = s.find_last_not_of(" \t\r\n");
  return std::string(s.substr(a, b - a + 1));
}

// Whether `respuesta` is one of the comma-separated `respuestas`. The letters of
// UTF-8 answers ("sí", "não") compare as typed; ASCII without regard to case.
bool Es_una_de(const std::string& respuesta, std::string_view respuestas) {
  while (!respuestas.empty()) {
    const size_t coma = respuestas.find(',');
    if (Minusculas(Recortar(respuestas.substr(0, coma))) == respuesta) return true;
    respuestas = coma == std::string_view::npos ? std::string_view{} : respuestas.substr(coma + 1);
  }
  return false;
}

}  // namespace

Ventana_linea::Ventana_linea(std::unique_ptr<Backend_serie> backend, Reloj& reloj,
                             Terminal_linea terminal, const Idioma_linea& idioma, bool si)
    : reloj_(reloj),
      terminal_(terminal),
      idioma_(idioma),
      si_(si),
      puerto_(std::make_unique<Puerto_serie>(std::move(backend), reloj)),
      lineas_(Imagen_firmware()) {
  // The window's start-up: the graphics uploader for the whole run, and the
  // embedded image parsed (its version is what the tick decision compares with).
  graficos_ = std::make_unique<Subida_graficos>(*this);
  Abrir_hex(*this, lineas_, hex_);
  // Both bars report their moves: the progress line follows them.
  barra_general_.Al_cambiar([this] {
    if (al_procesar) al_procesar();
  });
  barra_progreso_.Al_cambiar([this] {
    if (al_procesar) al_procesar();
  });
}

Ventana_linea::~Ventana_linea() {
  hex_.reset();
  graficos_.reset();
  puerto_.reset();
}

void Ventana_linea::Procesar_mensajes() {
  if (al_procesar) al_procesar();
}

void Ventana_linea::Pitido(unsigned, unsigned) {
  // The terminal's bell stands for the beep; a log gets no control bytes.
  if (!terminal_.salida_terminal) return;
  terminal_.salida << '\a';
  terminal_.salida.flush();
}

void Ventana_linea::Escribir(const std::string& texto) {
  if (al_escribir) al_escribir();
  terminal_.salida << texto << '\n';
  terminal_.salida.flush();
}

void Ventana_linea::Empezar_escritura() {
  for (const std::string& linea : actualizando_) Escribir(linea);
  actualizando_.clear();
}

void Ventana_linea::Mensaje(const std::string& texto) { Escribir(idioma_(kTl_mensaje, {texto})); }

bool Ventana_linea::Confirmar(const std::string& texto) {
  // The run has just marked itself as updating: let that be seen before waiting.
  // A request to end that came meanwhile is left for the question.
  preguntando_ = true;
  Procesar_mensajes();
  Escribir("");
  Escribir(texto);
  bool si = false;
  if (terminal_.tomar_interrupcion && terminal_.tomar_interrupcion()) {
    Escribir(idioma_(kTl_no_por_interrupcion));
  } else if (si_) {
    Escribir(idioma_(kTl_si_por_opcion));
    si = true;
  } else if (!terminal_.entrada_terminal) {
    Escribir(idioma_(kTl_no_sin_terminal));
  } else {
    si = Leer_respuesta();
  }
  preguntando_ = false;
  if (!si) {
    // The meter is let go before the run ends (its line back to the normal
    // rate): a pause of some seconds the technician is told about.
    rechazada_us_ = reloj_.Micros();
    Escribir(idioma_(kTl_soltando));
  }
  return si;
}

bool Ventana_linea::Leer_respuesta() {
  for (;;) {
    terminal_.salida << idioma_(kTl_pregunta) << ' ';
    terminal_.salida.flush();
    std::string linea;
    const bool tecleada = !terminal_.esperar_entrada || terminal_.esperar_entrada();
    if (!tecleada || !std::getline(terminal_.entrada, linea)) {
      terminal_.salida << '\n';
      // Ctrl-C (or the terminal closed) answered: it is taken here, so the run
      // does not take it again for a request made while it writes.
      if (terminal_.tomar_interrupcion) (void)terminal_.tomar_interrupcion();
      return false;  // end of input: no
    }
    const std::string r = Minusculas(Recortar(linea));
    // The English answers are always understood, as the letters on most keyboards.
    if (Es_una_de(r, idioma_(kTl_respuestas_si)) || Es_una_de(r, kTl_respuestas_si.defecto))
      return true;
    if (r.empty() || Es_una_de(r, idioma_(kTl_respuestas_no)) ||
        Es_una_de(r, kTl_respuestas_no.defecto))
      return false;
  }
}

void Ventana_linea::Mostrar_pantalla(const Pantalla& p) {
  switch (p.imagen) {
    case kImagen_buscando:
      Escribir_lineas(*this, p, 1);
      break;
    case kImagen_actualizando:
      // Held until the technician agrees: a refused update never said "updating".
      actualizando_.clear();
      for (size_t i = 0; i < 2 && i < p.lineas.size(); ++i)
        if (!p.lineas[i].empty()) actualizando_.push_back(p.lineas[i]);
      break;
    case kImagen_fallida:
      if (cancelada) {
        Escribir(idioma_(kTl_cancelada));
        break;
      }
      Escribir_lineas(*this, p, p.lineas.size());
      break;
    case kImagen_no_encontrado:
    case kImagen_rechazo:
      pantalla_final = p;
      break;
    case kImagen_correcta:
      Escribir_lineas(*this, p, p.lineas.size());
      break;
    default:
      break;  // the start and connect screens ask for clicks the command line makes itself
  }
}

void Ventana_linea::Fijar_linea2(const std::string& texto) { Escribir(texto); }

// The step banner: the command line shows its own progress line for it.
void Ventana_linea::Fijar_linea3(const std::string&) {}

void Ventana_linea::Habilitar() {
  timer_habilitado_ = true;
  if (al_conectar) al_conectar();
}

}  // namespace r27
