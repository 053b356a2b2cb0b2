#include "programmingview.h"

#include "resource.h"

CProgrammingView::CProgrammingView(QWidget *parent) : CEditView(parent) {}

CProgrammingView::~CProgrammingView() = default;

void CProgrammingView::ShowPageLines() {}

void CProgrammingView::OnEditCut()
{
    Cut();
}

void CProgrammingView::OnEditPaste()
{
    Paste();
}

void CProgrammingView::OnInitialUpdate() {}

bool CProgrammingView::OnCmdMsg(int id)
{
    switch (id) {
    case ID_EDIT_CUT:
        OnEditCut();
        return true;
    case ID_EDIT_PASTE:
        OnEditPaste();
        return true;
    default:
        return CEditView::OnCmdMsg(id);
    }
}

bool CProgrammingView::OnUpdateCmdUI(CCmdUI &ui)
{
    return CEditView::OnUpdateCmdUI(ui);
}
