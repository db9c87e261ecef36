#pragma once

#include <QString>
#include <QStringList>

// Comma text of string lists: items joined by ",", quoted when they hold a character up to
// the space, a comma or a double quote.
QString CommaText(const QStringList& items);
QStringList FromCommaText(const QString& text);
