#pragma once

// Installs the real file dialogs behind PromptFileName (editor/KivFileDialog.h). A save dialog
// does not ask about replacing a file: the program asks itself, once.
void InstallUiFileDialogs();
