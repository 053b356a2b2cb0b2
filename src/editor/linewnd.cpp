#include "linewnd.h"

CLineWnd::CLineWnd(QWidget *parent) : QWidget(parent) {}
