// Conversion of classic file-dialog filters.
#include "app/ventana/filtro_dialogo.h"

namespace r27 {

QStringList Filtro_qt(const QString& filtro) {
  const QStringList partes = filtro.split('|');
  QStringList resultado;
  // Pairs of description and patterns; a description without patterns is dropped.
  for (qsizetype i = 0; i + 1 < partes.size(); i += 2) {
    QStringList patrones = partes[i + 1].split(';', Qt::SkipEmptyParts);
    for (QString& p : patrones) p = p.trimmed();
    patrones.removeAll(QString());
    if (patrones.isEmpty()) continue;
    resultado << QString("%1 (%2)").arg(partes[i].trimmed(), patrones.join(' '));
  }
  return resultado;
}

}  // namespace r27
