#include "popupmenu.h"

#include "resource.h"
#include "texts.h"

#include <QMenu>

namespace {
PopupMenuHook &hook()
{
    static PopupMenuHook h;
    return h;
}
} // namespace

void SetPopupMenuHook(PopupMenuHook h)
{
    hook() = std::move(h);
}

PopupMenuResource LoadPopupMenu(int menuId)
{
    switch (menuId) {
    case IDR_MENU_HTML:
        return {menuId, qs(Str::PopupHtml), {{qs(Str::PopupCopy), ID_COPY_SCRIPT}}};
    case IDR_MENU_PROGRAMMING:
        return {menuId,
                qs(Str::PopupProgramming),
                {{qs(Str::PopupCut), ID_EDIT_CUT}, {qs(Str::PopupPaste), ID_EDIT_PASTE}}};
    case IDR_MENU_HTML_PLAIN:
        return {menuId, qs(Str::PopupHtml), {{qs(Str::PopupCopy), ID_EDIT_COPY}}};
    default:
        return {};
    }
}

int TrackPopupMenu(int menuId, const QPoint &globalPos, QWidget *owner)
{
    const PopupMenuResource resource = LoadPopupMenu(menuId);
    if (resource.id == 0)
        return 0;
    if (hook())
        return hook()(resource, globalPos);

    QMenu menu(resource.caption, owner);
    for (const PopupMenuItem &item : resource.items)
        menu.addAction(item.text)->setData(item.command);
    const QAction *chosen = menu.exec(globalPos);
    return chosen ? chosen->data().toInt() : 0;
}
