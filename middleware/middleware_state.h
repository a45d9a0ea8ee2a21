// middleware_state.h: whether the middleware counts as initialised, the
// middleware room's own state (defined in ssi_base.cpp). Set by
// StartMiddleware and by the wrappers that initialise it lazily; cleared by
// StopMiddleware. Sessions are only closed while it is set. Tests set it to
// stage a middleware someone else initialised.
#pragma once

#include <atomic>

extern std::atomic<bool> g_bMiddlewareInitialized;
