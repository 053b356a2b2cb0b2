#pragma once

// Every message to the user goes through AfxMessageBox: caption "HTML5", an OK button and the
// exclamation icon unless the type says otherwise. Tests answer it through the hook.

#include <QString>
#include <functional>

enum : unsigned {
    MB_OK = 0x0,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    MB_ICONSTOP = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONEXCLAMATION = 0x30,
    MB_ICONINFORMATION = 0x40,
    MB_ICONMASK = 0xF0,
    MB_TYPEMASK = 0x0F,
};

enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

int AfxMessageBox(const QString &text, unsigned type = MB_OK);

// A hook answers in place of the user: it receives the text and the full type (icon included)
// and returns the button. An empty hook restores the real message box.
using MessageBoxHook = std::function<int(const QString &text, unsigned type)>;
void SetMessageBoxHook(MessageBoxHook hook);
