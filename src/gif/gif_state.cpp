#include "gif/gif_state.h"

GifState& gif_state()
{
    static GifState state;
    return state;
}

WarningQueue& warning_queue() { return gif_state().warnings; }
