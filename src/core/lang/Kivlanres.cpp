#include "Kivlanres.h"

// Placeholder until the language resources land: no language is ever selected yet.
QString GetLangString(int) { return QString(); }
