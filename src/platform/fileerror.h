#pragma once

// The message for a failed file operation, chosen from errno as the classic framework chooses
// it from its file-exception causes; %1 is replaced by the path.

#include <QString>

QString FileErrorMessage(int err, const QString &path);
