#pragma once

// Makes the images compiled into the GUI library available (":/icons/..."); safe to call more
// than once.
void InitUiResources();
