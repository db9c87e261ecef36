#pragma once

#include <QString>

// The text of string ID id in the current language; empty when the language lacks it or
// no language has been selected yet.
QString GetLangString(int id);
