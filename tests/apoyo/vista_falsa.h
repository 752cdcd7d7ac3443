#pragma once
// The window's controls as the wizard and the update run see them, recorded:
// screens, line texts, pictures, the step numbers, the button, the menus.
#include <string>
#include <vector>

#include "app/nucleo/asistente.h"

namespace r27::pruebas {

class Vista_falsa final : public Vista_asistente {
 public:
  void Mostrar_pantalla(const Pantalla& p) override {
    eventos.push_back("pantalla " + std::to_string(p.imagen));
    pantallas.push_back(p);
    imagen = p.imagen;
    numeros = p.numeros_visibles;
    boton = p.boton_visible;
    if (p.progreso_general_visible) progreso = *p.progreso_general_visible;
  }
  void Fijar_linea2(const std::string& texto) override { lineas2.push_back(texto); }
  void Fijar_linea3(const std::string& texto) override { lineas3.push_back(texto); }
  void Mostrar_imagen(int indice) override {
    eventos.push_back("imagen " + std::to_string(indice));
    imagen = indice;
  }
  void Mostrar_numeros(bool visibles) override {
    eventos.push_back(visibles ? "numeros" : "sin numeros");
    numeros = visibles;
  }
  void Mostrar_boton(bool visible) override { boton = visible; }
  void Ocultar_progreso() override { progreso = false; }
  void Habilitar_menus(bool h) override {
    eventos.push_back(h ? "menus" : "sin menus");
    menus = h;
  }
  bool Modo_automatico() const override { return automatico; }
  void Elegir_manual() override {
    automatico = false;
    panel = true;
  }

  std::vector<std::string> eventos;
  std::vector<Pantalla> pantallas;
  std::vector<std::string> lineas2;
  std::vector<std::string> lineas3;
  int imagen = 0;
  bool numeros = false;
  bool boton = true;
  bool progreso = false;
  bool menus = true;
  bool automatico = true;
  bool panel = false;
};

}  // namespace r27::pruebas
