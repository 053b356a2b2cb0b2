#pragma once

// The file-error texts the user sees, chosen from the system error of a failed file operation.

#include <QString>

// The message for errno `err` while accessing `path`, with the path filled in.
QString FileErrorMessage(int err, const QString &path);
