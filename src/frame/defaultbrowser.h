#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// A browser command: the program and its arguments, where "%s" (or a desktop entry's %u, %U, %f,
// %F) stands for the page; without such a field the page is appended.
struct BrowserCommand
{
    QString program; // absolute path of the executable
    QStringList arguments;
    QString name; // what the status bar calls it
};

// The desktop's default web browser: the BROWSER variable (a colon-separated list of commands, the
// first that exists wins), then the desktop entry `xdg-settings get default-web-browser` names,
// then x-www-browser. `xdgDefault` answers the xdg-settings question (the real tool when empty).
std::optional<BrowserCommand> FindDefaultBrowser(const std::function<QString()> &xdgDefault = {});

// The browser command for a setting's program path or, when it is empty, the default browser.
std::optional<BrowserCommand> RunBrowser(const QString &chosenProgram);

// The arguments that open `page`.
QStringList BrowserArguments(const BrowserCommand &browser, const QString &page);

// A command from the BROWSER variable or a desktop entry's Exec line; nullopt when its program
// is not an executable file.
std::optional<BrowserCommand> ParseBrowserCommand(const QString &command);
