#include "web/http_transfer.h"

#include <chrono>
#include <mutex>
#include <ostream>

#include <curl/curl.h>

namespace kalore {
namespace {

constexpr const char* kUserAgent = "Mozilla/5.0 (Windows; U; Windows NT 5.1; en-GB; "
                                   "rv:1.8.1.12) Gecko/25684322 Firefox/2.0.0.16";
// A redirection loop would otherwise keep the window frozen for ever.
constexpr long kMaxRedirections = 20;

using SteadyClock = std::chrono::steady_clock;

// State shared by the callbacks of one transfer.
struct Transfer {
    std::ostream* out = nullptr;
    std::size_t cap = 0;
    std::size_t received = 0;
    std::chrono::milliseconds readTimeout{0};
    // libcurl has a connect time-out but no read time-out: the clock starts once the
    // connection stands and restarts with every byte that arrives.
    bool connected = false;
    SteadyClock::time_point lastActivity;
    std::string ownError;
    const std::function<bool(std::size_t)>* onProgress = nullptr;
};

// False, with the error set, when the caller asked to end the transfer.
bool CallerGoesOn(Transfer& t) {
    if (*t.onProgress && !(*t.onProgress)(t.received)) {
        t.ownError = "Transfer cancelled";
        return false;
    }
    return true;
}

void NoteActivity(Transfer& t) {
    t.connected = true;
    t.lastActivity = SteadyClock::now();
}

int OnConnected(void* data, char*, char*, int, int) {
    NoteActivity(*static_cast<Transfer*>(data));
    return CURL_PREREQFUNC_OK;
}

std::size_t OnHeader(char*, std::size_t size, std::size_t count, void* data) {
    NoteActivity(*static_cast<Transfer*>(data));
    return size * count;
}

std::size_t OnBody(char* bytes, std::size_t size, std::size_t count, void* data) {
    auto& t = *static_cast<Transfer*>(data);
    const std::size_t n = size * count;
    NoteActivity(t);
    if (n > t.cap - t.received) {
        t.ownError = "Answer larger than " + std::to_string(t.cap) + " bytes";
        return CURL_WRITEFUNC_ERROR;
    }
    t.received += n;
    // Exceptions must not cross libcurl's C frames.
    try {
        t.out->write(bytes, static_cast<std::streamsize>(n));
    } catch (...) {
        t.out->setstate(std::ios::badbit);
    }
    if (!t.out->good() || !CallerGoesOn(t)) {
        return CURL_WRITEFUNC_ERROR;
    }
    return n;
}

int OnProgress(void* data, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto& t = *static_cast<Transfer*>(data);
    if (t.connected && SteadyClock::now() - t.lastActivity > t.readTimeout) {
        t.ownError =
            "Read timed out after " + std::to_string(t.readTimeout.count()) + " ms without data";
        return 1;
    }
    return CallerGoesOn(t) ? 0 : 1;
}

void InitialiseLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

void Configure(CURL* curl, const std::string& url, Transfer& t, const RequestOptions& o,
               char* errorBuffer) {
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxRedirections);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(o.connect.count()));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(o.total.count()));
    // A name that never resolves: don't wait for the resolver's thread when the time
    // is up, it ends on its own.
    curl_easy_setopt(curl, CURLOPT_QUICK_EXIT, 1L);
    curl_easy_setopt(curl, CURLOPT_COOKIEFILE, "");
    curl_easy_setopt(curl, CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(curl, CURLOPT_PROXY, "");
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(o.maxBodyBytes));
    curl_easy_setopt(curl, CURLOPT_PREREQFUNCTION, OnConnected);
    curl_easy_setopt(curl, CURLOPT_PREREQDATA, &t);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &t);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, OnProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &t);
}

std::string ErrorText(CURLcode code, const Transfer& t, const char* errorBuffer,
                      const RequestOptions& o) {
    if (!t.ownError.empty()) {
        return t.ownError;
    }
    if (code == CURLE_FILESIZE_EXCEEDED) {
        return "Answer larger than " + std::to_string(o.maxBodyBytes) + " bytes";
    }
    return errorBuffer[0] != '\0' ? errorBuffer : curl_easy_strerror(code);
}

TransferResult Perform(const std::string& url, std::ostream& out, const RequestOptions& options) {
    InitialiseLibrary();
    CURL* curl = curl_easy_init();
    if (curl == nullptr) {
        return {"Cannot create an HTTP client"};
    }
    Transfer t;
    t.out = &out;
    t.cap = options.maxBodyBytes;
    t.readTimeout = options.read;
    t.onProgress = &options.onProgress;
    char errorBuffer[CURL_ERROR_SIZE] = {};
    Configure(curl, url, t, options, errorBuffer);

    const CURLcode code = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(curl);

    if (code != CURLE_OK) {
        return {ErrorText(code, t, errorBuffer, options)};
    }
    // A 3xx without a place to go, or a 1xx, is no answer either.
    if (status < 200 || status > 299) {
        return {"HTTP status " + std::to_string(status)};
    }
    return {};
}

} // namespace

TransferResult HttpTransfer(const std::string& url, std::ostream& out,
                            const RequestOptions& options) {
    if (!options.runTransfer) {
        return Perform(url, out, options);
    }
    TransferResult result;
    options.runTransfer([&] { result = Perform(url, out, options); });
    return result;
}

} // namespace kalore
