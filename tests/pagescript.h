#pragma once

#include <QTest>
#include <QVariant>
#include <QWebEnginePage>

// What a script in the page evaluates to, once the engine answers; null if it does not in time.
inline QVariant RunInPage(QWebEnginePage *page, const QString &script, int timeout)
{
    QVariant result;
    bool done = false;
    page->runJavaScript(script, [&](const QVariant &value) {
        result = value;
        done = true;
    });
    return QTest::qWaitFor([&done] { return done; }, timeout) ? result : QVariant();
}
