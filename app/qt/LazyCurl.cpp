// LazyCurl.cpp - the utility's libcurl, loaded when the first fetch needs it rather than when
// the program starts. The library's HTTP exchange calls the libcurl functions below; these
// definitions stand in for them (the executable is linked with --as-needed, so it does not
// list libcurl), open libcurl on their first call and forward every call to it. Loading
// libcurl and the two dozen libraries behind it at start-up cost about a third of the work
// before the window's first paint; a user who never fetches never pays it, and one who does
// pays it once, on the fetch's own thread.
//
// Thread-safety: the first call from any thread opens libcurl once (std::call_once); the
// function table is written only then and read-only afterwards. When libcurl cannot be opened,
// every call fails as libcurl reports a failure (null handles, CURLE_FAILED_INIT, ...), and the
// fetch says so.
#include <curl/curl.h>

#include <cstdarg>
#include <dlfcn.h>
#include <mutex>

namespace {

struct curl_functions {
    CURLcode (*pfnGlobalInit)(long) = nullptr;
    CURL* (*pfnEasyInit)() = nullptr;
    CURLcode (*pfnEasySetopt)(CURL*, CURLoption, ...) = nullptr;
    CURLcode (*pfnEasyGetinfo)(CURL*, CURLINFO, ...) = nullptr;
    void (*pfnEasyCleanup)(CURL*) = nullptr;
    CURLM* (*pfnMultiInit)() = nullptr;
    CURLMcode (*pfnMultiAddHandle)(CURLM*, CURL*) = nullptr;
    CURLMcode (*pfnMultiRemoveHandle)(CURLM*, CURL*) = nullptr;
    CURLMcode (*pfnMultiPerform)(CURLM*, int*) = nullptr;
    CURLMcode (*pfnMultiCleanup)(CURLM*) = nullptr;
    CURLMsg* (*pfnMultiInfoRead)(CURLM*, int*) = nullptr;
    CURLMcode (*pfnMultiPoll)(CURLM*, curl_waitfd*, unsigned int, int, int*) = nullptr;
    CURLMcode (*pfnMultiWakeup)(CURLM*) = nullptr;
    bool bLoaded = false;
};

template <typename T>
void Find(void* pLibrary, const char* szName, T* ppfn, bool* pbAll) {
    *ppfn = reinterpret_cast<T>(dlsym(pLibrary, szName));
    if (*ppfn == nullptr) *pbAll = false;
}

const curl_functions& Curl() {
    static curl_functions functions;
    static std::once_flag once;
    std::call_once(once, [] {
        // Kept open for the process's life: handles may live until its end.
        void* pLibrary = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
        if (pLibrary == nullptr) return;
        bool bAll = true;
        Find(pLibrary, "curl_global_init", &functions.pfnGlobalInit, &bAll);
        Find(pLibrary, "curl_easy_init", &functions.pfnEasyInit, &bAll);
        Find(pLibrary, "curl_easy_setopt", &functions.pfnEasySetopt, &bAll);
        Find(pLibrary, "curl_easy_getinfo", &functions.pfnEasyGetinfo, &bAll);
        Find(pLibrary, "curl_easy_cleanup", &functions.pfnEasyCleanup, &bAll);
        Find(pLibrary, "curl_multi_init", &functions.pfnMultiInit, &bAll);
        Find(pLibrary, "curl_multi_add_handle", &functions.pfnMultiAddHandle, &bAll);
        Find(pLibrary, "curl_multi_remove_handle", &functions.pfnMultiRemoveHandle, &bAll);
        Find(pLibrary, "curl_multi_perform", &functions.pfnMultiPerform, &bAll);
        Find(pLibrary, "curl_multi_cleanup", &functions.pfnMultiCleanup, &bAll);
        Find(pLibrary, "curl_multi_info_read", &functions.pfnMultiInfoRead, &bAll);
        Find(pLibrary, "curl_multi_poll", &functions.pfnMultiPoll, &bAll);
        Find(pLibrary, "curl_multi_wakeup", &functions.pfnMultiWakeup, &bAll);
        functions.bLoaded = bAll;
    });
    return functions;
}

}  // namespace

extern "C" {

CURLcode curl_global_init(long flags) {
    return Curl().bLoaded ? Curl().pfnGlobalInit(flags) : CURLE_FAILED_INIT;
}

CURL* curl_easy_init() { return Curl().bLoaded ? Curl().pfnEasyInit() : nullptr; }

// The one argument after the option is a long, an object pointer, a function pointer or a
// curl_off_t, as the option's number range says (CURLOPTTYPE_...).
CURLcode curl_easy_setopt(CURL* curl, CURLoption option, ...) {
    if (!Curl().bLoaded) return CURLE_FAILED_INIT;
    va_list args;
    va_start(args, option);
    CURLcode result;
    int nOption = static_cast<int>(option);
    if (nOption < CURLOPTTYPE_OBJECTPOINT) {
        result = Curl().pfnEasySetopt(curl, option, va_arg(args, long));
    } else if (nOption < CURLOPTTYPE_FUNCTIONPOINT) {
        result = Curl().pfnEasySetopt(curl, option, va_arg(args, void*));
    } else if (nOption < CURLOPTTYPE_OFF_T) {
        using any_function = void (*)();
        result = Curl().pfnEasySetopt(curl, option, va_arg(args, any_function));
    } else if (nOption < CURLOPTTYPE_BLOB) {
        result = Curl().pfnEasySetopt(curl, option, va_arg(args, curl_off_t));
    } else {
        result = Curl().pfnEasySetopt(curl, option, va_arg(args, void*));
    }
    va_end(args);
    return result;
}

// The one argument after the item is always a pointer to where the answer goes.
CURLcode curl_easy_getinfo(CURL* curl, CURLINFO info, ...) {
    if (!Curl().bLoaded) return CURLE_FAILED_INIT;
    va_list args;
    va_start(args, info);
    CURLcode result = Curl().pfnEasyGetinfo(curl, info, va_arg(args, void*));
    va_end(args);
    return result;
}

void curl_easy_cleanup(CURL* curl) {
    if (Curl().bLoaded) Curl().pfnEasyCleanup(curl);
}

CURLM* curl_multi_init() { return Curl().bLoaded ? Curl().pfnMultiInit() : nullptr; }

CURLMcode curl_multi_add_handle(CURLM* multi, CURL* curl) {
    return Curl().bLoaded ? Curl().pfnMultiAddHandle(multi, curl) : CURLM_BAD_HANDLE;
}

CURLMcode curl_multi_remove_handle(CURLM* multi, CURL* curl) {
    return Curl().bLoaded ? Curl().pfnMultiRemoveHandle(multi, curl) : CURLM_BAD_HANDLE;
}

CURLMcode curl_multi_perform(CURLM* multi, int* running) {
    return Curl().bLoaded ? Curl().pfnMultiPerform(multi, running) : CURLM_BAD_HANDLE;
}

CURLMcode curl_multi_cleanup(CURLM* multi) {
    return Curl().bLoaded ? Curl().pfnMultiCleanup(multi) : CURLM_BAD_HANDLE;
}

CURLMsg* curl_multi_info_read(CURLM* multi, int* msgs) {
    return Curl().bLoaded ? Curl().pfnMultiInfoRead(multi, msgs) : nullptr;
}

CURLMcode curl_multi_poll(CURLM* multi, curl_waitfd extra_fds[], unsigned int extra_nfds,
                          int timeout_ms, int* ret) {
    return Curl().bLoaded ? Curl().pfnMultiPoll(multi, extra_fds, extra_nfds, timeout_ms, ret)
                          : CURLM_BAD_HANDLE;
}

CURLMcode curl_multi_wakeup(CURLM* multi) {
    return Curl().bLoaded ? Curl().pfnMultiWakeup(multi) : CURLM_BAD_HANDLE;
}

}  // extern "C"
