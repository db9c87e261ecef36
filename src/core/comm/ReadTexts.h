#pragma once

#include "StationRead.h"

// The string ID of the text that explains a problem; 0 for None.
int ReadProblemTextId(ReadProblem problem);
