// Anchor of the r27_datos library; the embedded bytes come from the folders'
// generators (see datos.cmake in each folder).
namespace r27::datos {
int version_biblioteca() { return 1; }
}  // namespace r27::datos
