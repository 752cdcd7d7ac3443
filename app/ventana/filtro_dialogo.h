#pragma once
// File-dialog filters written the classic way ("text|*.a;*.b|text2|*.c") turned into
// the filter list a QFileDialog takes ("text (*.a *.b)", "text2 (*.c)").
#include <QString>
#include <QStringList>

namespace r27 {

QStringList Filtro_qt(const QString& filtro);

}  // namespace r27
