#include "sound.h"

namespace {
int g_requests = 0;
}

void PlayCopySound()
{
    ++g_requests;
}

int CopySoundRequests()
{
    return g_requests;
}
