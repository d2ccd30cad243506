// One HTTP GET with finite time-outs. The body is handed over in pieces as it arrives
// so that large downloads never sit whole in memory.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace platform {

struct HttpResult {
    bool completed = false;  // the whole response arrived
    int status = 0;          // the HTTP status code, 0 when no answer came
    std::wstring error;      // why it did not complete, readable by a person
};

class HttpClient {
public:
    virtual ~HttpClient() = default;
    // Sends a GET for `url` ("http://host[:port]/path"). `onBody` receives each piece of
    // the body; returning false stops the transfer (the result is then not completed).
    // Blocks the caller; a window program keeps its windows responsive meanwhile.
    virtual HttpResult get(const std::wstring& url, const std::function<bool(std::string_view)>& onBody) = 0;
};

}  // namespace platform
