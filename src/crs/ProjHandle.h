#pragma once

#include <proj.h>

#include <memory>
#include <string>

// Owning handles for PROJ objects, for this folder's sources only.
struct ProjContextFree {
    void operator()(PJ_CONTEXT* c) const { proj_context_destroy(c); }
};
struct ProjFree {
    void operator()(PJ* p) const { proj_destroy(p); }
};
using ProjContextPtr = std::unique_ptr<PJ_CONTEXT, ProjContextFree>;
using ProjPtr = std::unique_ptr<PJ, ProjFree>;

// A context of our own: PROJ contexts are not shared between threads. Grids are never
// fetched from the network, so a result does not depend on the office's connection, and
// PROJ's own messages stay off standard error (its errors reach the user through ours).
ProjContextPtr NewProjContext();

// PROJ's reason for the context's last failure, or `fallback` when it gives none.
std::string ProjReason(PJ_CONTEXT* context, const char* fallback);
