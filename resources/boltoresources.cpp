#include "boltoresources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be called outside any namespace.
static void initBoltoQrc()
{
    Q_INIT_RESOURCE(bolto);
}

void InitBoltoResources()
{
    static const bool done = (initBoltoQrc(), true);
    (void)done;
}
