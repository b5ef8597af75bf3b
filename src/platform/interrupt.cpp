#include "platform/interrupt.h"

#include <csignal>

namespace platform {

namespace {

volatile std::sig_atomic_t g_signal = 0;

extern "C" void NoteSignal(int signal)
{
    g_signal = signal;
}

} // namespace

void CatchInterrupts()
{
    g_signal = 0;
    struct sigaction action = {};
    action.sa_handler = NoteSignal;
    sigemptyset(&action.sa_mask);
    // Once noted, the next one of the kind ends the program the usual way.
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int InterruptSignal()
{
    return g_signal;
}

} // namespace platform
