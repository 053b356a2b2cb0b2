#include "clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {
QClipboard *clipboard()
{
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance())
               ? QGuiApplication::clipboard()
               : nullptr;
}
} // namespace

bool ClipboardSetText(const QString &text)
{
    QClipboard *cb = clipboard();
    if (!cb)
        return false;
    cb->setText(text, QClipboard::Clipboard);
    return true;
}

bool ClipboardEmpty()
{
    QClipboard *cb = clipboard();
    if (!cb)
        return false;
    cb->clear(QClipboard::Clipboard);
    return true;
}

QString ClipboardText()
{
    QClipboard *cb = clipboard();
    return cb ? cb->text(QClipboard::Clipboard) : QString();
}

bool ClipboardHasText()
{
    QClipboard *cb = clipboard();
    const QMimeData *data = cb ? cb->mimeData(QClipboard::Clipboard) : nullptr;
    return data && data->hasText() && !data->text().isEmpty();
}
