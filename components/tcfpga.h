#pragma once
// The FPGA configuration set's programming object and the state of its dialog
// ("Configuracion fpga"): builds the set's flash image, erases the meter's
// staging area, sends the image in 250-byte blocks and, unless the main firmware
// is written in the same update, has the meter burn it into flash. The update
// runs it without showing the dialog (Grabar_configuraciones); the dialog's
// controls drive the same code when the Qt form is shown. Created by a step,
// used once and released.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "components/texto_control.h"
#include "link/fallo.h"
#include "link/interfaz_ventana.h"

namespace r27 {

// Staging erase 07 06 00 00 DB FD FF E, answered "p"; a wrong answer gets one 0xAA.
inline constexpr int kIntentos_borrado_fpga = 5;
inline constexpr int64_t kEspera_borrado_fpga_s = 3;
inline constexpr uint32_t kPausa_tras_borrado_fpga_ms = 500;  // after every attempt
inline constexpr uint8_t kRespuesta_borrado_fpga = 'p';
inline constexpr uint8_t kTras_respuesta_erronea_fpga = 0xAA;

// Blocks: the FPGA step's share of the overall bar; an abort seen between blocks
// pauses as the block sender does.
inline constexpr int kParte_fpga = 30;

// Flash burn 09 40 + map: progress bytes until 0x80 0x80. The meter gives no
// bound; ours is the main firmware burn's, counted from the burn request.
inline constexpr int64_t kEspera_grabacion_fpga_s = 600;  // 10 whole minutes
inline constexpr uint32_t kPausa_avance_fpga_ms = 100;    // after each progress byte

// The texts of the dialog and of its status label.
struct Dialogo_fpga {
  static constexpr std::string_view kTitulo = "Configuracion fpga";
  static constexpr std::string_view kCargar_fichero = "Cargar fichero configuracion";
  static constexpr std::string_view kSiguiente = "Configuracion siguiente";
  static constexpr std::string_view kAnterior = "Configuracion anterior";
  static constexpr std::string_view kGrabar = "Grabar configuraciones en flash";
  static constexpr std::string_view kCancelar = "Cancelar";
  static constexpr std::string_view kFiltro = ".rbf|*.rbf";

  static constexpr std::string_view kBorrando_memoria = "Borrando mem.";
  static constexpr const char* kFormato_enviando = "Enviando : %i / %i";
  static constexpr std::string_view kGrabando_flash = "Grabando flash";
  static constexpr std::string_view kBorrando_sectores = "Borrando sect.";
  static constexpr std::string_view kGrabando_segmentos = "Grabando segm.";

  // Message box when the dialog's own button ran a burn that failed (the update
  // reports it through its result code instead).
  static constexpr std::string_view kError_grabacion = "Error al grabar la flash de la fpga";
};

class TCFpga {
 public:
  static constexpr int kFicheros = 256;            // file-name slots
  static constexpr int kRanuras_descripcion = 17;  // slot k for configuration k = 1..16
  static constexpr size_t kLongitud_descripcion = 8;
  // The dialog keeps the count to the configurations the updater carries.
  static constexpr int kMinimo_configuraciones = 1;
  static constexpr int kMaximo_configuraciones = 5;

  explicit TCFpga(Interfaz_ventana& ventana);

  // The run the update calls after setting the count, the names, `grabar_flash`
  // and `progreso_base`: clears the result, performs the write sequence and
  // returns its result (success once every block is sent, also when the burn
  // then failed: code 19 and its failure, set on the step, carry that).
  Resultado Grabar_configuraciones();

  // Dialog controls.
  void Edit_num_configuraciones(std::string_view texto);
  void Editar_descripcion(std::string_view texto);
  // The file dialog's result for the current configuration ("" when cancelled).
  void But_nombre_ficheroClick(std::string_view ruta);
  void But_siguienteClick();
  void But_anteriorClick();
  // "Grabar configuraciones en flash": the write sequence; a failed burn is also
  // shown in a message box, since nobody reads the result code here.
  void Button_okClick();
  // "Cancelar": the end request 0x0F 0x00, the input drained, the dialog closed.
  void Button_cancelClick();

  // Steps of the write sequence. Each sets its result code with its failure
  // when it fails.
  Resultado Borrar_memoria();                                         // code 17
  Resultado Enviar_configuraciones(std::span<const uint8_t> imagen);  // code 18
  // The FPGA block sender (no segment guard; an abort pauses 300 ms), on `segmento`.
  bool Enviar_bloque(uint16_t direccion, std::span<const uint8_t> datos);
  Resultado Grabar_flash_fpga();  // code 19 (refused, no end in time, or aborted)
  // The end request; sets no code (a clean-up after the step's own requests).
  Resultado Fin_grabacion();

  // Configuration k (1-based) of the dialog: its file name, the part of it after
  // the last path separator, and its description ("" outside the slots).
  void Fijar_nombre(int configuracion, std::string ruta);
  std::string_view Etiqueta_nombre(int configuracion) const;
  std::string_view Descripcion(int configuracion) const;
  bool En_curso() const { return en_curso_; }

  // The set the run copies, in order: the embedded configurations (a test may
  // hand in others). Configuration i of the image is entry i, whatever file name
  // the dialog holds for it.
  std::vector<std::span<const uint8_t>> configuraciones;

  int32_t num_configuraciones = 0;
  std::array<std::string, kFicheros> nombres_ficheros;  // slot k: configuration k
  int32_t configuracion_actual = 0;                     // 1-based; 0: none
  std::array<std::array<char, kLongitud_descripcion + 1>, kRanuras_descripcion> descripciones{};
  uint32_t longitud_total = 0;
  // The first bytes of the last image built: what the meter reports as its FPGA
  // information once the set is burnt.
  std::array<uint8_t, 16> cabecera_imagen{};
  uint8_t segmento = 0;  // of the block being sent
  // Whether the staged set is burnt into flash after the blocks. Off when the
  // main firmware is written in the same update: its burn writes the set too.
  bool grabar_flash = true;
  // Where the overall bar stood when the step began; the blocks move it within kParte_fpga.
  int32_t progreso_base = 0;
  bool resultado = false;  // every block was sent (the last run's outcome)
  // The burn's failure in the last run: the run still answers success (the
  // blocks were sent), so the sequence goes on; the outcome tells it.
  std::optional<Fallo> fallo_grabacion;
  bool cerrado = false;             // the run or "Cancelar" closed the dialog
  std::function<void()> al_cerrar;  // the Qt form closes itself here

  // What the dialog's labels and description box show.
  Texto_control Lbl_estado_fpga;
  Texto_control Label_cantidad_configuraciones;
  Texto_control Label_configuracion_actual;
  Texto_control Label_nombre;
  Texto_control Edit_descripcion;

 private:
  Resultado Ejecutar(bool desde_dialogo);
  void Mostrar_configuracion_actual();
  void Cerrar();
  Interfaz_ventana& ventana_;
  bool en_curso_ = false;
};

}  // namespace r27
