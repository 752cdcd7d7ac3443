// The built r27-actualizar in each of the six languages, for what it prints
// before any meter is looked for: --help, --version and the errors of its command
// line. Every word is a word of the chosen language.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>
#include <string>
#include <vector>

#include "app/linea/mensajes_linea.h"
#include "tests/linea/vocabulario_idioma.h"

namespace r27::pruebas {
namespace {

struct Resultado_programa {
  int estado = -1;    // exit status, -1 when it did not exit normally
  std::string texto;  // stdout and stderr, as a terminal shows them
};

Resultado_programa Ejecutar_juntos(const std::vector<std::string>& argumentos) {
  Resultado_programa r;
  int tubo[2];
  if (pipe(tubo) != 0) return r;
  const std::string programa = R27_ACTUALIZAR_PROGRAMA;
  const pid_t pid = fork();
  if (pid == 0) {
    const int nulo = open("/dev/null", O_RDONLY);
    dup2(nulo, 0);
    dup2(tubo[1], 1);
    dup2(tubo[1], 2);
    close(tubo[0]);
    close(tubo[1]);
    std::vector<char*> argv{const_cast<char*>(programa.c_str())};
    for (const std::string& a : argumentos) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(programa.c_str(), argv.data());
    _exit(127);
  }
  close(tubo[1]);
  char buffer[4096];
  ssize_t n;
  while ((n = read(tubo[0], buffer, sizeof buffer)) > 0)
    r.texto.append(buffer, static_cast<size_t>(n));
  close(tubo[0]);
  int estado = 0;
  if (waitpid(pid, &estado, 0) == pid && WIFEXITED(estado)) r.estado = WEXITSTATUS(estado);
  return r;
}

// Names in no language: the languages' codes and the step keys the help lists.
const std::set<std::string> kNeutras = {"es",   "en",      "fr",   "de",       "pt",      "it",
                                        "zona", "borrado", "fpga", "firmware", "teclado", "planes"};

TEST(Idioma_programa, AyudaVersionYErroresEnUnSoloIdioma) {
  const Secciones_ini secciones = Leer_secciones(R27_IDIOMAS_INI);
  struct Caso {
    std::vector<std::string> argumentos;
    int estado;
    std::vector<const Texto_linea*> muestras;  // up to their first value
  };
  const Caso casos[] = {
      {{"--help"}, 0, {&kTl_ayuda_opciones, &kTl_ayuda_codigos, &kTl_salida_31, &kTl_ayuda_ayuda}},
      {{"--version"}, 0, {&kTl_version_firmware}},
      {{"--bogus"}, 40, {&kTl_opcion_desconocida, &kTl_pruebe_ayuda}},
      {{"--plan", "9"}, 40, {&kTl_plan_invalido}},
      {{"--pasos", "zona"}, 40, {&kTl_pasos_sin_servicio}},
      {{"--servicio", "--pasos", "todo"}, 40, {&kTl_paso_desconocido}},
      {{"--puerto", "ttyACM0"}, 40, {&kTl_puerto_invalido}},
      {{"--traza"}, 40, {&kTl_necesita_valor}},
      {{"--idiomas", "/no/such/idiomas.ini"}, 40, {&kTl_idiomas_no_fichero}},
  };
  for (const char* idioma : kIdiomas_incorporados) {
    SCOPED_TRACE(idioma);
    const Idioma_linea t(idioma);
    const std::set<std::string> vocabulario = Vocabulario(secciones, idioma);
    for (const Caso& k : casos) {
      std::vector<std::string> argumentos = k.argumentos;
      argumentos.insert(argumentos.begin(), {"--idioma", idioma});
      SCOPED_TRACE(argumentos.back());
      const Resultado_programa r = Ejecutar_juntos(argumentos);
      EXPECT_EQ(r.estado, k.estado) << r.texto;
      for (const Texto_linea* m : k.muestras) {
        const std::string texto = t(*m);
        const std::string muestra = texto.substr(0, texto.find('{'));
        EXPECT_NE(r.texto.find(muestra.empty() ? texto.substr(3, 12) : muestra), std::string::npos)
            << texto << "\n"
            << r.texto;
      }
      // The program's name and what the technician typed are not the program's words.
      std::string texto = r.texto;
      std::vector<std::string> ajenos = k.argumentos;
      ajenos.emplace_back("r27-actualizar");
      for (const std::string& a : ajenos)
        for (size_t p = texto.find(a); p != std::string::npos; p = texto.find(a, p))
          texto.erase(p, a.size());
      EXPECT_EQ(Palabras_ajenas(texto, vocabulario, kNeutras), std::set<std::string>{}) << r.texto;
    }
  }
}

}  // namespace
}  // namespace r27::pruebas
