#pragma once

#include <QString>
#include <QStringList>

// Fills a language text's printf-style placeholders (%d, %i, %u, %s) in order with args;
// "%%" gives "%". Unused placeholders stay as they are, surplus arguments are dropped, so a
// translated text with the wrong placeholders never misbehaves.
QString FormatLangText(const QString& pattern, const QStringList& args);

// The current language's text id, its placeholders filled with args by FormatLangText.
QString LangText(int id, const QStringList& args = {});
