// One HTTP GET with finite time-outs. The body is handed over in pieces as it arrives
// so that large downloads never sit whole in memory.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace platform {

struct HttpResult {
    bool completed = false;  // the whole response arrived
    int status = 0;          // the HTTP status code, 0 when no answer came
    std::wstring error;      // why it did not complete, readable by a person
};

// Limits of one GET on top of the client's own time-outs, which bound each wait on the
// network but not a server that keeps sending a byte now and then.
struct HttpLimits {
    int totalMs = 0;  // the whole transfer, from the request to the last byte; 0: no limit
    std::size_t maxBodyBytes = 0;  // the most body bytes wanted; 0: no limit
};

class HttpClient {
public:
    virtual ~HttpClient() = default;
    // Sends a GET for `url` ("http://host[:port]/path"). `onBody` receives each piece of
    // the body; returning false stops the transfer (the result is then not completed).
    // Blocks the caller; a window program keeps its windows responsive meanwhile.
    virtual HttpResult get(const std::wstring& url, const std::function<bool(std::string_view)>& onBody,
                           const HttpLimits& limits) = 0;
    HttpResult get(const std::wstring& url, const std::function<bool(std::string_view)>& onBody) {
        return get(url, onBody, HttpLimits{});
    }
};

}  // namespace platform
