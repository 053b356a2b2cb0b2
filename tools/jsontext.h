#pragma once

// JSON text as an author writes it: errors name the line and column (1-based, counted in
// characters) and what was expected there, not a byte offset.

#include <QByteArray>
#include <QJsonObject>
#include <QString>

// On a fault sets `error` to "line L, column C: <what is wrong>" and returns false.
bool ParseJsonObject(const QByteArray &text, QJsonObject &object, QString *error);

// The 1-based line and column of byte `offset` in UTF-8 `text`.
void LineAndColumn(const QByteArray &text, qsizetype offset, int &line, int &column);
