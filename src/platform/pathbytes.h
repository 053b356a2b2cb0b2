#pragma once

// File names are bytes. Qt reads them as UTF-8 and turns every other byte into U+FFFD for good,
// so a lesson whose name came from a Windows archive (Shift-JIS bytes) could never be opened
// again. These conversions keep every byte: a byte that is not part of valid UTF-8 travels as the
// lone code unit U+DC80 + byte, which no real name holds, and comes back as the same byte.

#include <QByteArray>
#include <QString>

QString PathFromBytes(const QByteArray &bytes);
QByteArray PathToBytes(const QString &path);

// The path as a person should read it: each name as UTF-8, or where it is not, as code page 932,
// or else with U+FFFD for the bytes that make no sense.
QString PathForDisplay(const QString &path);

// True when the path went through a conversion that lost bytes (it holds U+FFFD): an open that
// fails for it says nothing about the file the user chose.
bool PathLostBytes(const QString &path);
