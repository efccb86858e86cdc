#pragma once

// HTTP for the calendar server, through libcurl: one connection kept alive across requests,
// several requests in flight at once (bounded), TLS always verified, credentials from ~/.netrc
// or from whoever asks the user, never from the command line and never in a message.
// Responses have a size limit, so a broken or hostile server cannot exhaust memory.

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zelvant {

struct HttpRequest {
    std::string method{};
    std::string url{};
    std::vector<std::string> headers{}; // "Name: value"
    std::string body{};
};

struct HttpResponse {
    long status = 0;
    std::map<std::string, std::string> headers{}; // names in lower case
    std::string body{};
    // Why no answer came (no connection, a timeout, a TLS failure, an answer too large), in
    // German with the URL; empty when the server answered.
    std::string failure{};

    std::string header(const std::string& lowerName) const
    {
        const auto found = headers.find(lowerName);
        return found == headers.end() ? std::string{} : found->second;
    }
};

struct Credentials {
    std::string user{};
    std::string password{};
};

struct HttpOptions {
    // A CA file for a server whose certificate the system does not trust (self-signed).
    std::optional<std::filesystem::path> caFile{};
    // Asked once when the server wants credentials that ~/.netrc does not have; nothing means
    // there is nobody to ask (no terminal).
    std::function<std::optional<Credentials>(const std::string& url)> askCredentials{};
    std::chrono::seconds timeout{60};
    std::size_t maxResponseBytes = std::size_t(256) << 20;
    int maxInFlight = 4;
};

class HttpClient {
public:
    explicit HttpClient(HttpOptions options = {});
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    /// Sends one request. Throws HostError (German, naming the URL) when no answer came: no
    /// connection, a timeout, a TLS failure, an answer too large. Any HTTP status is an answer.
    HttpResponse send(const HttpRequest& request);
    /// Sends all requests, at most `inFlight` (else maxInFlight) at once; the answers in the order
    /// of the requests. One without an answer has its `failure` set; the others are not held up by it.
    std::vector<HttpResponse> sendAll(const std::vector<HttpRequest>& requests, int inFlight = 0);

    /// How many requests went out so far.
    std::size_t requestCount() const { return requestCount_; }
    /// The user the server accepted, once it did ("" for none or ~/.netrc's).
    const std::string& user() const { return credentials_ ? credentials_->user : empty_; }

    /// Only https, and http to this machine, may carry the user's credentials, and never in the
    /// address itself. Why an address is refused (German), or nothing when it may be used.
    static std::optional<std::string> refusal(const std::string& url);
    static bool isAllowedUrl(const std::string& url);

private:
    struct Transfer;
    void prepare(Transfer& transfer, const HttpRequest& request);
    std::vector<HttpResponse> run(const std::vector<HttpRequest>& requests, int inFlight);

    HttpOptions options_;
    void* multi_ = nullptr; // CURLM; its connection cache keeps the connection alive between requests
    std::optional<Credentials> credentials_;
    bool asked_ = false;
    std::size_t requestCount_ = 0;
    std::string empty_;
};

} // namespace zelvant
