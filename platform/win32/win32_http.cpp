// HTTP GET through WinINet. The request runs on a worker thread; the calling thread
// keeps its windows alive by dispatching their messages until the worker is done, and
// receives the body there, piece by piece.
//
// Only the worker ever touches its internet handles: it opens them, calls WinINet with
// them and closes them. A handle closed by another thread may already be freed when the
// worker's next call takes it, and its value may by then name another object.
//
// Limits are kept by the caller. While the worker waits on the network it publishes a
// deadline (each wait at most the receive time-out; connecting, sending and the first
// answer each have one of their own; never past the end of the whole transfer when that
// is limited), and when the deadline passes, or the caller wants no more, the caller
// returns at once and leaves the worker behind. The worker then stops at its next step;
// a call it is blocked in ends by the time-outs set on its handles (shortened to the
// time left of a limited transfer), and it closes its handles on its way out, on its own
// thread: the last close of a request may read on what the server is still sending
// (WinINet keeps a connection for reuse that way), which must never hold up a window.
#include <windows.h>
// After <windows.h>, which it builds on.
#include <wininet.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cwchar>
#include <deque>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/encoding.h"
#include "platform/win32.h"
#include "win32_error.h"
#include "win32_handle.h"

namespace platform::win32 {

namespace {

struct InternetHandleTraits {
    using Type = HINTERNET;
    static Type none() { return nullptr; }
    static bool valid(Type handle) { return handle != nullptr; }
    static void close(Type handle) { ::InternetCloseHandle(handle); }
};
using InternetHandle = UniqueHandle<InternetHandleTraits>;

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::milliseconds;

// Received bytes are handed to the caller in pieces of up to this size (or at once while
// they trickle in), so that a fast download does not wake the caller for every read.
constexpr std::size_t kPieceSize = 512 * 1024;
// When at least this much is waiting, the data is flowing: a whole piece is read at once.
constexpr DWORD kFlowing = 4 * 1024;
// At most this many received pieces wait for the caller, so memory stays bounded
// however slowly the caller consumes them.
constexpr std::size_t kChunksInFlight = 2;
constexpr int kMostRedirects = 5;
// How soon the caller notices that the worker has started a wait on the network.
constexpr Milliseconds kDeadlinePoll{50};

constexpr const wchar_t* kNoAnswerInTime = L"The server did not answer in time.";

// No credentials go to any server (INTERNET_FLAG_NO_AUTH): a server on the way that asks
// for them gets neither the user's Windows sign-in nor a saved password.
constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_UI |
                                INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_PRAGMA_NOCACHE |
                                INTERNET_FLAG_NO_AUTO_REDIRECT | INTERNET_FLAG_NO_AUTH;

struct Timeouts {
    Milliseconds connect;
    Milliseconds receive;
    std::optional<Clock::time_point> end;  // of the whole transfer, when it is limited
    std::size_t maxBodyBytes = 0;          // the most body bytes wanted; 0: all of it
};

// What the calling thread and the worker share. Both hold it through a shared_ptr, so a
// worker that is left behind never touches freed memory. Every member is guarded by
// `mutex`, except `wake`, which is set once before the worker starts.
struct Transfer {
    std::mutex mutex;
    std::condition_variable spaceFree;          // the caller took a piece, or cancelled
    std::deque<std::string> chunks;             // received pieces not yet handed to the caller
    std::vector<std::string> spare;             // pieces the caller is done with, for reuse
    bool cancelled = false;                     // the caller wants no more; the worker stops
    bool finished = false;                      // the worker is done and holds no handle any more
    std::optional<Clock::time_point> deadline;  // while the worker waits on the network
    HttpResult result;                          // the worker's outcome, final once finished
    KernelHandle wake;                          // auto-reset event: news for the caller
};

// ---- The worker's side -------------------------------------------------------

class Worker {
public:
    Worker(std::shared_ptr<Transfer> transfer, Timeouts timeouts)
        : transfer_(std::move(transfer)), timeouts_(timeouts) {}

    void run(const std::wstring& url) {
        try {
            fetch(url);
        } catch (const std::bad_alloc&) {
            fail(ERROR_NOT_ENOUGH_MEMORY);
        }
        closeHop();
        session_.reset();
        Transfer& t = *transfer_;
        const std::lock_guard lock(t.mutex);
        t.finished = true;
        ::SetEvent(t.wake.get());
    }

private:
    void fetch(std::wstring url) {
        if (!openSession()) return;
        for (int redirects = 0;; ++redirects) {
            if (!sendRequest(url)) return;
            const std::optional<DWORD> status = queryNumber(HTTP_QUERY_STATUS_CODE);
            if (!status) {
                fail(::GetLastError());
                return;
            }
            // A redirect that names no target is the answer itself.
            const std::optional<std::wstring> location =
                isRedirect(*status) ? queryText(HTTP_QUERY_LOCATION) : std::nullopt;
            if (!location) {
                setStatus(static_cast<int>(*status));
                receiveBody();
                return;
            }
            if (redirects == kMostRedirects) {
                fail(L"The server redirected the request too many times.");
                return;
            }
            const std::optional<std::wstring> next = combine(url, *location);
            if (!next) {
                fail(::GetLastError());
                return;
            }
            url = *next;
        }
    }

    bool openSession() {
        session_.reset(::InternetOpenW(L"Lockbay", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
        if (!session_) return fail(::GetLastError());
        setTimeouts(session_.get(), timeouts_.connect, timeouts_.receive);
        return stillWanted();
    }

    // Closes the current hop's request and connection; a redirect starts afresh.
    void closeHop() {
        // No status news from a request that is going away.
        if (request_) ::InternetSetStatusCallbackW(request_.get(), nullptr);
        request_.reset();
        connection_.reset();
    }

    // Connects and sends the GET for `url`; true once the response headers are in.
    bool sendRequest(const std::wstring& url) {
        URL_COMPONENTSW parts{};
        parts.dwStructSize = sizeof parts;
        parts.dwHostNameLength = 1;  // non-zero: point into `url`
        parts.dwUrlPathLength = 1;
        parts.dwExtraInfoLength = 1;
        if (!::InternetCrackUrlW(url.c_str(), 0, 0, &parts)) return fail(::GetLastError());
        if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) {
            return fail(ERROR_INTERNET_UNRECOGNIZED_SCHEME);
        }
        const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
        std::wstring object(parts.lpszUrlPath, parts.dwUrlPathLength);
        object.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
        if (object.empty()) object = L"/";

        closeHop();
        if (!stillWanted()) return false;
        connection_.reset(::InternetConnectW(session_.get(), host.c_str(), parts.nPort, nullptr, nullptr,
                                             INTERNET_SERVICE_HTTP, 0, 0));
        if (!connection_) return fail(::GetLastError());

        const wchar_t* acceptTypes[] = {L"*/*", nullptr};
        const DWORD flags =
            kRequestFlags | (parts.nScheme == INTERNET_SCHEME_HTTPS ? INTERNET_FLAG_SECURE : 0);
        // The context is this worker: the status callback below finds it there.
        request_.reset(::HttpOpenRequestW(connection_.get(), L"GET", object.c_str(), nullptr, nullptr,
                                          acceptTypes, flags, reinterpret_cast<DWORD_PTR>(this)));
        if (!request_) return fail(::GetLastError());
        // Not every WinINet passes the session's time-outs down to its requests.
        setTimeouts(request_.get(), timeouts_.connect, timeouts_.receive);
        // Connected and request sent each begin a wait of their own. Without the news
        // (the callback cannot be set), the one deadline of the connection holds for all.
        ::InternetSetStatusCallbackW(request_.get(), &Worker::onStatus);

        // A body of limited size: the server is asked for no more than that and one byte,
        // which tells a longer body from one that fits.
        std::wstring headers;
        if (timeouts_.maxBodyBytes > 0) {
            headers = L"Range: bytes=0-" + std::to_wstring(timeouts_.maxBodyBytes) + L"\r\n";
        }

        if (!beginWait(timeouts_.connect)) return false;
        const BOOL sent = ::HttpSendRequestW(request_.get(), headers.empty() ? nullptr : headers.c_str(),
                                             static_cast<DWORD>(headers.size()), nullptr, 0);
        const DWORD error = ::GetLastError();
        const bool late = endWait(error);
        if (!sent) return late ? fail(kNoAnswerInTime) : fail(error);
        return stillWanted();
    }

    void receiveBody() {
        const std::optional<std::uint64_t> announced = contentLength();
        // A body of limited size is read no further than one byte past the limit, and
        // in a piece of that size: a longer body is not a wanted one.
        const std::size_t limit = timeouts_.maxBodyBytes;
        const std::size_t pieceSize = limit > 0 ? std::min(kPieceSize, limit + 1) : kPieceSize;
        std::uint64_t received = 0;
        std::string piece = sparePiece(pieceSize);  // received bytes not yet handed over
        std::size_t filled = 0;
        bool flowing = false;
        for (;;) {
            if (limit > 0 && received > limit) {
                piece.resize(filled);
                if (piece.empty() || deliver(std::move(piece))) fail(L"The answer is longer than expected.");
                return;
            }
            DWORD error = 0;
            bool late = false;
            DWORD available = 0;
            if (!flowing) {
                // Waiting for data first and then reading only what is there makes every
                // wait end with the next bytes, so the time-out is the gap between them.
                if (!beginWait(timeouts_.receive)) return;
                const BOOL known = ::InternetQueryDataAvailable(request_.get(), &available, 0, 0);
                error = ::GetLastError();
                late = endWait(error);
                if (!known) {
                    late ? fail(kNoAnswerInTime) : fail(error);
                    return;
                }
                flowing = available >= kFlowing;
            }

            // While data flows the rest of the piece is filled in one read, without asking
            // first; a short read means it has slowed down, and a trickle is read as it comes.
            std::size_t room = piece.size() - filled;
            if (limit > 0) room = std::min<std::size_t>(room, static_cast<std::size_t>(limit + 1 - received));
            const DWORD wanted = static_cast<DWORD>(
                flowing ? room : std::min<std::size_t>(room, available == 0 ? 1 : available));
            DWORD read = 0;
            if (!beginWait(timeouts_.receive)) return;
            const BOOL ok = ::InternetReadFile(request_.get(), piece.data() + filled, wanted, &read);
            error = ::GetLastError();
            late = endWait(error);
            if (!ok) {
                late ? fail(kNoAnswerInTime) : fail(error);
                return;
            }
            if (read == 0) break;  // the body ended normally
            if (read < wanted) flowing = false;
            filled += read;
            received += read;
            if (!flowing || filled == piece.size()) {
                piece.resize(filled);
                if (!deliver(std::move(piece))) return;
                piece = sparePiece(pieceSize);
                filled = 0;
            }
        }
        piece.resize(filled);
        if (!piece.empty() && !deliver(std::move(piece))) return;
        if (announced && received != *announced) {
            fail(L"The connection ended before the whole answer arrived.");
            return;
        }
        const std::lock_guard lock(transfer_->mutex);
        transfer_->result.completed = true;
    }

    static bool isRedirect(DWORD status) {
        return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
    }

    // The target of a redirect, made absolute against the address that was asked for.
    static std::optional<std::wstring> combine(const std::wstring& base, const std::wstring& relative) {
        std::wstring combined(INTERNET_MAX_URL_LENGTH, L'\0');
        DWORD length = static_cast<DWORD>(combined.size());
        if (!::InternetCombineUrlW(base.c_str(), relative.c_str(), combined.data(), &length, 0)) {
            if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) return std::nullopt;
            combined.resize(length + 1);
            length = static_cast<DWORD>(combined.size());
            if (!::InternetCombineUrlW(base.c_str(), relative.c_str(), combined.data(), &length, 0)) {
                return std::nullopt;
            }
        }
        combined.resize(length);
        return combined;
    }

    std::optional<DWORD> queryNumber(DWORD info) const {
        DWORD value = 0;
        DWORD size = sizeof value;
        if (!::HttpQueryInfoW(request_.get(), info | HTTP_QUERY_FLAG_NUMBER, &value, &size, nullptr))
            return std::nullopt;
        return value;
    }

    std::optional<std::wstring> queryText(DWORD info) const {
        DWORD size = 0;  // in bytes
        ::HttpQueryInfoW(request_.get(), info, nullptr, &size, nullptr);
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) return std::nullopt;
        std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
        size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        if (!::HttpQueryInfoW(request_.get(), info, text.data(), &size, nullptr)) return std::nullopt;
        text.resize(size / sizeof(wchar_t));
        return text;
    }

    std::optional<std::uint64_t> contentLength() const {
        const std::optional<std::wstring> text = queryText(HTTP_QUERY_CONTENT_LENGTH);
        if (!text || text->empty()) return std::nullopt;
        wchar_t* end = nullptr;
        const unsigned long long value = std::wcstoull(text->c_str(), &end, 10);
        if (end == text->c_str() || *end != L'\0') return std::nullopt;
        return value;
    }

    static void setTimeouts(HINTERNET handle, Milliseconds connect, Milliseconds receive) {
        const auto set = [handle](DWORD option, Milliseconds timeout) {
            DWORD value = static_cast<DWORD>(std::max<Milliseconds::rep>(timeout.count(), 1));
            // A time-out that cannot be set leaves WinINet's own; our deadline still holds.
            ::InternetSetOptionW(handle, option, &value, sizeof value);
        };
        set(INTERNET_OPTION_CONNECT_TIMEOUT, connect);
        set(INTERNET_OPTION_SEND_TIMEOUT, receive);
        set(INTERNET_OPTION_RECEIVE_TIMEOUT, receive);
    }

    // Starts a wait on the network of at most `limit` (and never past the end of a
    // limited transfer); false when the caller has cancelled.
    bool beginWait(Milliseconds limit) {
        const Clock::time_point now = Clock::now();
        Clock::time_point deadline{};
        {
            const std::lock_guard lock(transfer_->mutex);
            if (transfer_->cancelled) return false;
            waitStart_ = now;
            // Not signalled: waking the caller for every read would cost more than the read.
            // The caller looks for a new deadline at least every kDeadlinePoll.
            deadline = std::min(now + limit, timeouts_.end.value_or(Clock::time_point::max()));
            transfer_->deadline = deadline;
        }
        // Where WinINet keeps its time-outs, a blocked call of a limited transfer ends by
        // itself near the transfer's end, so a worker left behind does not linger.
        if (timeouts_.end && request_) {
            const Milliseconds left = std::chrono::ceil<Milliseconds>(deadline - now);
            setTimeouts(request_.get(), std::min(timeouts_.connect, left), std::min(timeouts_.receive, left));
        }
        return true;
    }

    // WinINet's news while the worker is blocked in a call of its own (on this thread).
    // Connected, and request sent: the next wait begins, with a deadline of its own.
    static void CALLBACK onStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID, DWORD) noexcept {
        if (context == 0) return;
        if (status != INTERNET_STATUS_CONNECTED_TO_SERVER && status != INTERNET_STATUS_REQUEST_SENT) return;
        reinterpret_cast<Worker*>(context)->renewWait();
    }

    void renewWait() {
        const std::lock_guard lock(transfer_->mutex);
        if (!transfer_->deadline) return;
        waitStart_ = Clock::now();
        transfer_->deadline =
            std::min(waitStart_ + timeouts_.receive, timeouts_.end.value_or(Clock::time_point::max()));
    }

    bool stillWanted() {
        const std::lock_guard lock(transfer_->mutex);
        return !transfer_->cancelled;
    }

    // Ends a wait on the network. True when a failure of the call was a time-out: WinINet
    // reports those under differing codes, so a wait that lasted the receive time-out
    // counts as one too.
    bool endWait(DWORD error) {
        const std::lock_guard lock(transfer_->mutex);
        transfer_->deadline.reset();
        return error == ERROR_INTERNET_TIMEOUT || Clock::now() - waitStart_ >= timeouts_.receive;
    }

    // An empty piece of `size` bytes to receive into: one the caller handed back, so that
    // a long download does not allocate and fault in fresh memory for every piece.
    std::string sparePiece(std::size_t size) {
        std::string piece;
        {
            const std::lock_guard lock(transfer_->mutex);
            if (!transfer_->spare.empty()) {
                piece = std::move(transfer_->spare.back());
                transfer_->spare.pop_back();
            }
        }
        piece.resize(size);
        return piece;
    }

    // Queues a piece for the caller, waiting while the queue is full; false once cancelled.
    bool deliver(std::string chunk) {
        std::unique_lock lock(transfer_->mutex);
        transfer_->spaceFree.wait(
            lock, [this] { return transfer_->cancelled || transfer_->chunks.size() < kChunksInFlight; });
        if (transfer_->cancelled) return false;
        transfer_->chunks.push_back(std::move(chunk));
        ::SetEvent(transfer_->wake.get());
        return true;
    }

    void setStatus(int status) {
        const std::lock_guard lock(transfer_->mutex);
        transfer_->result.status = status;
    }

    // Records why the transfer failed, unless the caller cancelled it: a call that failed
    // because its handle was closed under it says nothing new.
    bool fail(const std::wstring& reason) {
        const std::lock_guard lock(transfer_->mutex);
        if (!transfer_->cancelled && transfer_->result.error.empty()) transfer_->result.error = reason;
        return false;
    }
    bool fail(DWORD code) { return fail(errorMessage(code)); }

    std::shared_ptr<Transfer> transfer_;
    Timeouts timeouts_;
    Clock::time_point waitStart_{};
    // This thread's own handles; nobody else closes them: the session that serves every
    // hop, and the current hop's connection and request.
    InternetHandle session_;
    InternetHandle connection_;
    InternetHandle request_;
};

// ---- The caller's side -------------------------------------------------------

// Tells the worker to stop: it takes no more pieces and starts no more network calls.
// Called with the transfer's mutex held.
void cancelLocked(Transfer& t) {
    t.cancelled = true;
    t.spaceFree.notify_all();
}

bool workerFinished(Transfer& t) {
    const std::lock_guard lock(t.mutex);
    return t.finished;
}

// Dispatches the window messages waiting for this thread, one at a time, until there are
// none or the worker has finished: a finished request returns at once, and what its
// windows still have to paint is painted by the program's own message loop. (Arriving
// pieces do not cut the round short, so a fast download cannot starve the windows.)
// Returns the exit code when a WM_QUIT was among them (it is taken from the queue; the
// caller must post it again).
std::optional<int> dispatchWindowMessages(Transfer& t) {
    MSG message{};
    while (!workerFinished(t) && ::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) return static_cast<int>(message.wParam);
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return std::nullopt;
}

DWORD millisecondsUntil(Clock::time_point moment) {
    const auto left = std::chrono::ceil<Milliseconds>(moment - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<DWORD>(left);
}

// Owns the worker thread on every way out of get(): a worker that has finished is
// joined; one still busy is told to stop and left to end on its own.
class WorkerThread {
public:
    WorkerThread(std::shared_ptr<Transfer> transfer, std::thread thread)
        : transfer_(std::move(transfer)), thread_(std::move(thread)) {}
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;
    ~WorkerThread() {
        bool finished = false;
        {
            const std::lock_guard lock(transfer_->mutex);
            if (!transfer_->finished) cancelLocked(*transfer_);
            finished = transfer_->finished;
        }
        if (finished) {
            thread_.join();
        } else {
            thread_.detach();
        }
    }

private:
    std::shared_ptr<Transfer> transfer_;
    std::thread thread_;
};

class WinInetClient final : public HttpClient {
public:
    explicit WinInetClient(Timeouts timeouts) : timeouts_(timeouts) {}

    using HttpClient::get;
    HttpResult get(const std::wstring& url, const std::function<bool(std::string_view)>& onBody,
                   const HttpLimits& limits) override {
        Timeouts timeouts = timeouts_;
        if (limits.totalMs > 0) timeouts.end = Clock::now() + Milliseconds{limits.totalMs};
        timeouts.maxBodyBytes = limits.maxBodyBytes;
        auto transfer = std::make_shared<Transfer>();
        transfer->wake.reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
        if (!transfer->wake) return {false, 0, lastErrorMessage()};

        std::thread thread;
        try {
            thread =
                std::thread([transfer, url, timeouts] { Worker(transfer, timeouts).run(url); });
        } catch (const std::system_error& failure) {
            return {false, 0, fromUtf8(failure.what())};
        }
        std::optional<std::wstring> cancelReason;
        std::optional<int> quitCode;
        {
            const WorkerThread worker(transfer, std::move(thread));
            cancelReason = pumpUntilDone(*transfer, onBody, timeouts.end, quitCode);
        }
        // The quit request belongs to the program's own message loop.
        if (quitCode) ::PostQuitMessage(*quitCode);

        const std::lock_guard lock(transfer->mutex);
        HttpResult result = transfer->result;
        if (cancelReason) {
            result.completed = false;
            result.error = *cancelReason;
        }
        return result;
    }

private:
    // Hands the received pieces to `onBody` and keeps the thread's windows working until
    // the worker is done. Returns why the transfer was cancelled, if it was: at once, for
    // whatever the worker is doing then. A limited transfer ends at its `end` whatever
    // the worker is doing, also outside a wait it has published (closing a redirect's
    // answer, for one, may read on what the server still sends).
    std::optional<std::wstring> pumpUntilDone(Transfer& t,
                                              const std::function<bool(std::string_view)>& onBody,
                                              std::optional<Clock::time_point> end,
                                              std::optional<int>& quitCode) const {
        const auto cancel = [&t](const wchar_t* reason) {
            const std::lock_guard lock(t.mutex);
            cancelLocked(t);
            return std::optional<std::wstring>(reason);
        };
        for (;;) {
            for (;;) {
                std::string chunk;
                {
                    const std::lock_guard lock(t.mutex);
                    if (t.chunks.empty()) break;
                    chunk = std::move(t.chunks.front());
                    t.chunks.pop_front();
                    t.spaceFree.notify_one();
                }
                if (!onBody(chunk)) return cancel(L"The transfer was stopped.");
                const std::lock_guard lock(t.mutex);
                if (t.spare.size() < kChunksInFlight) t.spare.push_back(std::move(chunk));
            }

            DWORD waitMs = static_cast<DWORD>(kDeadlinePoll.count());
            {
                const std::lock_guard lock(t.mutex);
                if (t.finished && t.chunks.empty()) return std::nullopt;
                const std::optional<Clock::time_point> due = t.deadline ? t.deadline : end;
                if (due && Clock::now() >= *due) {
                    cancelLocked(t);
                    return kNoAnswerInTime;
                }
                if (t.deadline) {
                    waitMs = millisecondsUntil(*t.deadline);
                } else if (end) {
                    waitMs = std::min(waitMs, millisecondsUntil(*end));
                }
            }

            const HANDLE wake = t.wake.get();
            ::MsgWaitForMultipleObjectsEx(1, &wake, waitMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
            if (const std::optional<int> quit = dispatchWindowMessages(t)) {
                quitCode = quit;
                return cancel(L"The program is closing.");
            }
        }
    }

    Timeouts timeouts_;
};

}  // namespace

std::unique_ptr<HttpClient> makeHttpClient(int connectTimeoutMs, int receiveTimeoutMs) {
    const auto atLeastOne = [](int ms) { return Milliseconds{ms > 0 ? ms : 1}; };
    return std::make_unique<WinInetClient>(
        Timeouts{atLeastOne(connectTimeoutMs), atLeastOne(receiveTimeoutMs), std::nullopt});
}

}  // namespace platform::win32
