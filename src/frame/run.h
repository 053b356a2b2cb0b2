#pragma once

// Helpers of the Run command that need no window.

#include <QByteArray>
#include <QString>

// The bytes of the exported page: the editor's text without carriage returns, in UTF-8, each line
// feed written as CR LF; no byte-order mark and nothing added at the end.
QByteArray HtmlFileBytes(const QString &text);
