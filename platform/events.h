// The application event loop, timers, nested waits, ticks and the beep.
#pragma once

#include <cstdint>

#include "platform/types.h"

// Ticks (1/60 s) since the program started; tests may substitute the source.
std::uint32_t TickCount();

// Runs the event loop nested for at most `seconds`, or until QuitCurrentEventLoop() is
// called from inside it (for example by a USB completion). Returns 0 when quit, 1 on
// time-out.
int RunCurrentEventLoop(double seconds);
void QuitCurrentEventLoop();

// A repeating timer on the application loop: first call after first_delay seconds, then
// every interval seconds. It lives for the rest of the run.
using EventLoopTimerProc = void (*)(void* user_data);
void InstallEventLoopTimer(double first_delay, double interval, EventLoopTimerProc proc,
                           void* user_data);

// The system beep.
void SysBeep(std::int16_t duration);
