#pragma once

#include <QString>

// The start-up of both programs: finds the installed languages (in programFolder, else in the
// first of LanguageSearchFolders() that holds one), reads the stored choice "LocalID" (a 0 or
// absent value means the system's language) and selects that language, falling back to
// English (United States). A
// requestedId other than 0 (tamsor-cli --lang) is used instead of the stored choice.
// Problems with individual language files are printed to stderr. Returns the identifier of
// the selected language. Throws TamsorError with a message for the user when the stored
// choice cannot be read, or when no language is installed (naming the folders searched);
// nothing is written in either case. With choiceProblem given, a stored choice that cannot be
// read does not throw: its reason goes into *choiceProblem and the system's language is used.
int StartLanguage(int requestedId = 0, const QString& programFolder = QString(),
                  QString* choiceProblem = nullptr);

// The stored language choice, written when the user picks a language.
void StoreLanguageChoice(int localeId);
