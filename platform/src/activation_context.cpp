// Activation contexts: reference-counted records of a manifest source, and each thread's stack of
// activated contexts, undone only in the order they were made (a cookie out of turn fails).
#include "win/activation_context.h"

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "plat_internal.h"
#include "win/kernel.h"

namespace plat {
namespace {

struct ActCtx {
    std::u16string source;
    std::u16string resource;
    LONG references = 1;
};

struct Contexts {
    std::mutex lock;
    std::map<ActCtx*, bool> live;
    ULONG_PTR nextCookie = 1;
};

Contexts& contexts() {
    static Contexts* c = new Contexts;
    return *c;
}

struct Activation {
    ActCtx* context;
    ULONG_PTR cookie;
};
thread_local std::vector<Activation> t_stack;

// Holds the table's lock; `context` is null for a handle that is not a live context.
ActCtx* LiveLocked(Contexts& c, HANDLE h) {
    auto* context = static_cast<ActCtx*>(h);
    return c.live.count(context) ? context : nullptr;
}

void Unref(Contexts& c, ActCtx* context) {
    if (--context->references > 0) return;
    c.live.erase(context);
    delete context;
}

}  // namespace

void BeginInheritedActivation(HANDLE context) {
    if (context == nullptr) return;
    Contexts& c = contexts();
    std::lock_guard<std::mutex> g(c.lock);
    ActCtx* live = LiveLocked(c, context);
    if (live == nullptr) return;
    // The creator's reference becomes the activation's own.
    t_stack.push_back(Activation{live, c.nextCookie++});
}

void EndThreadActivations() {
    Contexts& c = contexts();
    std::lock_guard<std::mutex> g(c.lock);
    for (const Activation& a : t_stack)
        if (a.context) Unref(c, a.context);
    t_stack.clear();
}

}  // namespace plat

using namespace plat;

extern "C" {

HANDLE CreateActCtxW(PCACTCTXW pActCtx) {
    if (pActCtx == nullptr || pActCtx->cbSize < offsetof(ACTCTXW, hModule) || pActCtx->lpSource == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if (GetFileAttributesW(pActCtx->lpSource) == INVALID_FILE_ATTRIBUTES) {
        SetLastError(ERROR_SXS_CANT_GEN_ACTCTX);
        return INVALID_HANDLE_VALUE;
    }
    auto* context = new ActCtx;
    context->source = pActCtx->lpSource;
    if ((pActCtx->dwFlags & ACTCTX_FLAG_RESOURCE_NAME_VALID) && pActCtx->lpResourceName) {
        context->resource =
            IS_INTRESOURCE(pActCtx->lpResourceName)
                ? u"#" + Utf8ToUtf16(std::to_string(reinterpret_cast<ULONG_PTR>(pActCtx->lpResourceName)))
                : std::u16string(pActCtx->lpResourceName);
    }
    Contexts& c = contexts();
    std::lock_guard<std::mutex> g(c.lock);
    c.live[context] = true;
    return context;
}

void AddRefActCtx(HANDLE hActCtx) {
    Contexts& c = contexts();
    std::lock_guard<std::mutex> g(c.lock);
    if (ActCtx* context = LiveLocked(c, hActCtx)) ++context->references;
}

void ReleaseActCtx(HANDLE hActCtx) {
    Contexts& c = contexts();
    std::lock_guard<std::mutex> g(c.lock);
    if (ActCtx* context = LiveLocked(c, hActCtx)) Unref(c, context);
}

BOOL ActivateActCtx(HANDLE hActCtx, ULONG_PTR* lpCookie) {
    if (lpCookie == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Contexts& c = contexts();
    std::lock_guard<std::mutex> g(c.lock);
    ActCtx* context = LiveLocked(c, hActCtx);
    if (hActCtx != nullptr && context == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (context) ++context->references;  // an active context stays alive until deactivated
    *lpCookie = c.nextCookie++;
    t_stack.push_back(Activation{context, *lpCookie});
    return TRUE;
}

BOOL DeactivateActCtx(DWORD, ULONG_PTR ulCookie) {
    if (t_stack.empty() || t_stack.back().cookie != ulCookie) {
        SetLastError(ERROR_SXS_INVALID_DEACTIVATION);
        return FALSE;
    }
    Activation top = t_stack.back();
    t_stack.pop_back();
    Contexts& c = contexts();
    std::lock_guard<std::mutex> g(c.lock);
    if (top.context) Unref(c, top.context);
    return TRUE;
}

BOOL GetCurrentActCtx(HANDLE* lphActCtx) {
    if (lphActCtx == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *lphActCtx = t_stack.empty() ? nullptr : t_stack.back().context;
    if (*lphActCtx) AddRefActCtx(*lphActCtx);
    return TRUE;
}

DWORD PlatLiveActCtxCount(void) {
    Contexts& c = contexts();
    std::lock_guard<std::mutex> g(c.lock);
    return static_cast<DWORD>(c.live.size());
}

}  // extern "C"
