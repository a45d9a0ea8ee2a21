// middleware_state.h: whether the middleware counts as initialised. Set by
// the provider and by the wrappers that initialise it lazily; cleared by
// Cleanup. Sessions are only closed while it is set.
#pragma once

#include <atomic>

extern std::atomic<bool> g_bMiddlewareInitialized;
