#pragma once

// The system clipboard as the panes use it: plain text in, plain text out, or emptied.

#include <QString>

// Puts text on the clipboard; false when the clipboard cannot be used.
bool ClipboardSetText(const QString &text);
// Empties the clipboard; false when the clipboard cannot be used.
bool ClipboardEmpty();
QString ClipboardText();
bool ClipboardHasText();
