// ssi_base.cpp: CSsiBase, the session every wrapper load holds on its stack,
// and the lazy middleware initialisation it performs.
//
// The provider object normally initialises the middleware (StartMiddleware,
// from provider/provider.cpp); the wrappers do it themselves when it has
// not, so a class can be asked for its instances before, or after, the
// provider ran. Both share g_bMiddlewareInitialized, which also gates closing
// sessions: after StopMiddleware finalised the middleware, a session handle
// no longer means anything to it.
#include "middleware/middleware_state.h"
#include "middleware/read_once.h"
#include "middleware/wrappers.h"

std::atomic<bool> g_bMiddlewareInitialized{false};

bool StartMiddleware() {
  const SSI_STATUS s = SsiInitialize();
  if (s == SSI_STATUS_SUCCESS || s == SSI_STATUS_ALREADY_INITIALIZED) g_bMiddlewareInitialized = true;
  return g_bMiddlewareInitialized;
}

void StopMiddleware() {
  if (g_bMiddlewareInitialized.exchange(false)) {
    zubmw::Disarm();
    SsiFinalize();
  }
}

SSI_STATUS EnsureMiddlewareInitialized() {
  if (g_bMiddlewareInitialized) return SSI_STATUS_SUCCESS;
  const SSI_STATUS s = SsiInitialize();
  if (s == SSI_STATUS_SUCCESS || s == SSI_STATUS_ALREADY_INITIALIZED) {
    g_bMiddlewareInitialized = true;
    return SSI_STATUS_SUCCESS;
  }
  // Not serialised: another thread (or the provider) may have initialised
  // the middleware while our attempt failed, and then it is usable.
  if (g_bMiddlewareInitialized) return SSI_STATUS_SUCCESS;
  return WRAP_NOT_INITIALIZED;
}

SSI_STATUS CSsiBase::Open() {
  // A second Open would lose the first session, which nobody could close.
  if (m_session != 0) return SSI_STATUS_SUCCESS;
  if (SSI_STATUS s = EnsureMiddlewareInitialized(); s != SSI_STATUS_SUCCESS) return s;
  // Kept only on success, so the destructor never closes what a failed open
  // may have written.
  SSI_HANDLE session = 0;
  const SSI_STATUS s = SsiSessionOpen(&session);
  if (s == SSI_STATUS_SUCCESS) m_session = session;
  return s;
}

CSsiBase::~CSsiBase() {
  if (m_session != 0 && g_bMiddlewareInitialized) SsiSessionClose(m_session);
}
