#pragma once

// The context menus 310, 311 and 312, loaded per use. TrackPopupMenu shows one modally and returns
// the chosen command (0 for none); the caller routes it. Tests answer it through the hook.

#include <QPoint>
#include <QString>
#include <QVector>
#include <functional>

class QWidget;

struct PopupMenuItem
{
    QString text;
    int command;
};

struct PopupMenuResource
{
    int id = 0;
    QString caption;
    QVector<PopupMenuItem> items;
};

// The menu resource, or an empty one (id 0) for an unknown id.
PopupMenuResource LoadPopupMenu(int menuId);

int TrackPopupMenu(int menuId, const QPoint &globalPos, QWidget *owner);

using PopupMenuHook = std::function<int(const PopupMenuResource &menu, const QPoint &globalPos)>;
void SetPopupMenuHook(PopupMenuHook hook);
