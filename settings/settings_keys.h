#ifndef ORVANE_SETTINGS_KEYS_H
#define ORVANE_SETTINGS_KEYS_H

// Every key of config.ini with the value it takes when the file lacks it.
// This is the only place that names them.
namespace SettingKeys {

struct TextKey { const char *name; const char *fallback; };
struct IntegerKey { const char *name; int fallback; };
struct BooleanKey { const char *name; bool fallback; };

inline constexpr TextKey matricial{"geral/matricial", ""};
inline constexpr TextKey escritaDireta{"geral/escrita_direta", "LPT1"};
inline constexpr IntegerKey margemGeral{"geral/margem_geral", 10};
inline constexpr IntegerKey margemEsquerda{"geral/margem_esquerda", 2};
inline constexpr IntegerKey margemSuperior{"geral/margem_superior", 1};
inline constexpr IntegerKey margemInferior{"geral/margem_inferior", 2};
inline constexpr IntegerKey tamanhoFonte{"geral/tamanho_fonte", 10};
inline constexpr BooleanKey fonteNegrito{"geral/fonte_negrito", false};
inline constexpr TextKey fonte{"geral/fonte", "Courier New"};
inline constexpr TextKey nivel{"geral/nivel", "baixo"};
inline constexpr IntegerKey width{"geral/width", 0};
inline constexpr IntegerKey height{"geral/height", 0};
inline constexpr IntegerKey x{"geral/x", 0};
inline constexpr IntegerKey y{"geral/y", 0};
inline constexpr TextKey impressora{"geral/impressora", ""};
inline constexpr TextKey cortarPapel{"geral/cortarPapel", ""};
inline constexpr TextKey codificacao{"geral/codificacao", ""};
inline constexpr TextKey etiquetas{"geral/etiquetas", ""};
inline constexpr IntegerKey colunas{"geral/colunas", 48};

} // namespace SettingKeys

#endif
