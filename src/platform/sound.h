#pragma once

// The short sound that acknowledges a snippet copy. Plays asynchronously; a second request while
// it plays starts it again. Where no sound can play the system beep stands in.
void PlayCopySound();

// How many times the sound was requested since start-up; tests read it.
int CopySoundRequests();
