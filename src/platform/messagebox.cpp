#include "messagebox.h"

#include "texts.h"

#include <QApplication>
#include <QMessageBox>

namespace {
MessageBoxHook &hook()
{
    static MessageBoxHook h;
    return h;
}
} // namespace

void SetMessageBoxHook(MessageBoxHook h)
{
    hook() = std::move(h);
}

int AfxMessageBox(const QString &text, unsigned type)
{
    // Without an icon of its own a message carries the exclamation mark.
    if ((type & MB_ICONMASK) == 0)
        type |= MB_ICONEXCLAMATION;
    if (hook())
        return hook()(text, type);

    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(qs(Str::AppName));
    box.setText(text);
    switch (type & MB_ICONMASK) {
    case MB_ICONSTOP:
        box.setIcon(QMessageBox::Critical);
        break;
    case MB_ICONQUESTION:
        box.setIcon(QMessageBox::Question);
        break;
    case MB_ICONINFORMATION:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        box.setIcon(QMessageBox::Warning);
        break;
    }
    if ((type & MB_TYPEMASK) == MB_YESNOCANCEL) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Yes);
        switch (box.exec()) {
        case QMessageBox::Yes:
            return IDYES;
        case QMessageBox::No:
            return IDNO;
        default:
            return IDCANCEL;
        }
    }
    if ((type & MB_TYPEMASK) == MB_YESNO) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? IDYES : IDNO;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return IDOK;
}
