// The loopback "real web" of the realweb benchmark: serves a plan of
// RealWebPlan.h on many loopback addresses, one host each, all on one port.
//
//   bench_realweb_server --scenario NAME [--seed N] [--port P] --links FILE
//
// Writes the list of URLs to FILE (one a line, in list order), then "ready" on
// standard output, and serves until SIGTERM or SIGINT. At the end it prints
// on standard output how many requests it answered and the most it was
// answering at once, on one host and in all: the connections a client held.
//
// One thread, non-blocking sockets on epoll, one request per connection
// ("Connection: close"). An answer waits for its planned delay on a timer; a
// tarpit host reads and never answers; a closed host has its port bound but
// not listening, so connections to it are refused.

#include "RealWebPlan.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <netinet/in.h>
#include <queue>
#include <string>
#include <sys/epoll.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

using namespace RealWeb;
using Clock = std::chrono::steady_clock;

namespace {

struct Connection
{
    int host = 0;
    std::uint64_t serial = 0;
    std::string in;
    std::string out;
    size_t sent = 0;
    bool counted = false; // a request arrived and has not been answered whole
};

struct Timer
{
    Clock::time_point due;
    int fd;
    std::uint64_t serial;
    bool operator>(const Timer& other) const { return due > other.due; }
};

class Server
{
public:
    Server(const Plan& plan, int port)
        : m_plan(plan), m_port(port), m_load(plan.hosts.size()), m_peak(plan.hosts.size())
    {}

    bool open();
    void run();
    void printCounts() const;

private:
    enum Tag : std::uint64_t
    {
        Listener = 1,
        Client = 2,
        Signal = 3
    };
    static std::uint64_t tagged(Tag tag, int value)
    {
        return (std::uint64_t(tag) << 32) | std::uint32_t(value);
    }

    void accept(int host);
    void readFrom(int fd);
    void respond(int fd, Connection& c);
    void write(int fd);
    void close(int fd);
    void count(Connection& c, int delta);
    std::string answerFor(const std::string& path, int& delayMs);

    const Plan& m_plan;
    int m_port;
    int m_epoll = -1;
    int m_signals = -1;
    std::vector<int> m_listeners; // by host; -1 for a closed one
    std::vector<int> m_closed;    // bound, never listening
    std::unordered_map<int, Connection> m_connections;
    std::priority_queue<Timer, std::vector<Timer>, std::greater<>> m_timers;
    std::map<int, int> m_requestsPerUrl;
    std::vector<int> m_load, m_peak;
    int m_total = 0, m_peakTotal = 0, m_requests = 0;
    std::uint64_t m_nextSerial = 0;
};

std::string pageBody(int id)
{
    const std::string n = std::to_string(id);
    std::string body = "<html><head><title>Directory page " + n +
                       "</title>\n<meta name=\"description\" content=\"Links about topic " + n +
                       "\">\n</head><body>\n";
    for (int k = 0; k < 40; ++k)
        body += "<p><a href=\"http://site" + std::to_string(k) + ".example.org/\">Site " + std::to_string(k) +
                "</a> some text around the link</p>\n";
    return body + "<p>contact: editor" + n + "@example.org</p></body></html>\n";
}

std::string response(const char* status, const std::string& extra, const std::string& body)
{
    return std::string("HTTP/1.1 ") + status + "\r\nContent-Type: text/html; charset=utf-8\r\n" + extra +
           "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

int boundSocket(const std::string& address, int port)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const int yes = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(std::uint16_t(port));
    inet_pton(AF_INET, address.c_str(), &where.sin_addr);
    if (bind(fd, reinterpret_cast<sockaddr*>(&where), sizeof where) != 0) {
        std::fprintf(stderr, "cannot bind %s:%d: %s\n", address.c_str(), port, std::strerror(errno));
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

bool Server::open()
{
    m_epoll = epoll_create1(EPOLL_CLOEXEC);
    m_listeners.assign(m_plan.hosts.size(), -1);
    for (size_t h = 0; h < m_plan.hosts.size(); ++h) {
        const int fd = boundSocket(hostAddress(int(h)), m_port);
        if (fd < 0)
            return false;
        if (m_plan.hosts[h] == HostKind::Closed) {
            m_closed.push_back(fd);
            continue;
        }
        listen(fd, 511);
        epoll_event e{};
        e.events = EPOLLIN;
        e.data.u64 = tagged(Listener, int(h));
        epoll_ctl(m_epoll, EPOLL_CTL_ADD, fd, &e);
        m_listeners[h] = fd;
    }
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigprocmask(SIG_BLOCK, &set, nullptr);
    m_signals = signalfd(-1, &set, SFD_CLOEXEC);
    epoll_event e{};
    e.events = EPOLLIN;
    e.data.u64 = tagged(Signal, 0);
    epoll_ctl(m_epoll, EPOLL_CTL_ADD, m_signals, &e);
    return true;
}

void Server::run()
{
    epoll_event events[64];
    for (;;) {
        int timeoutMs = -1;
        if (!m_timers.empty()) {
            const auto wait = std::chrono::ceil<std::chrono::milliseconds>(m_timers.top().due - Clock::now());
            timeoutMs = int(std::max<long long>(0, wait.count()));
        }
        const int n = epoll_wait(m_epoll, events, 64, timeoutMs);
        for (int i = 0; i < n; ++i) {
            const Tag tag = Tag(events[i].data.u64 >> 32);
            const int value = int(std::uint32_t(events[i].data.u64));
            if (tag == Signal)
                return;
            if (tag == Listener)
                accept(value);
            else if (events[i].events & EPOLLOUT)
                write(value);
            else
                readFrom(value);
        }
        const auto now = Clock::now();
        while (!m_timers.empty() && m_timers.top().due <= now) {
            const Timer t = m_timers.top();
            m_timers.pop();
            const auto it = m_connections.find(t.fd);
            if (it != m_connections.end() && it->second.serial == t.serial)
                write(t.fd);
        }
    }
}

void Server::accept(int host)
{
    for (;;) {
        const int fd = accept4(m_listeners[size_t(host)], nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0)
            return;
        Connection c;
        c.host = host;
        c.serial = ++m_nextSerial;
        m_connections[fd] = std::move(c);
        epoll_event e{};
        e.events = EPOLLIN | EPOLLRDHUP;
        e.data.u64 = tagged(Client, fd);
        epoll_ctl(m_epoll, EPOLL_CTL_ADD, fd, &e);
    }
}

void Server::readFrom(int fd)
{
    const auto it = m_connections.find(fd);
    if (it == m_connections.end())
        return;
    Connection& c = it->second;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
            close(fd); // the client went, answered or not
            return;
        }
        if (n < 0)
            break;
        if (c.counted || !c.out.empty())
            continue; // one request per connection; the rest is ignored
        c.in.append(buffer, size_t(n));
    }
    if (c.counted || c.in.find("\r\n\r\n") == std::string::npos)
        return;
    count(c, +1);
    ++m_requests;
    if (m_plan.hosts[size_t(c.host)] == HostKind::Tarpit)
        return; // read on, never answer
    respond(fd, c);
}

void Server::respond(int fd, Connection& c)
{
    const size_t start = c.in.find(' ') + 1;
    const std::string path = c.in.substr(start, c.in.find(' ', start) - start);
    int delayMs = 0;
    c.out = answerFor(path, delayMs);
    m_timers.push(Timer{Clock::now() + std::chrono::milliseconds(delayMs), fd, c.serial});
}

// /p/ID is the URL of the list; /p/ID/hK the redirect with K hops left.
std::string Server::answerFor(const std::string& path, int& delayMs)
{
    int id = -1, hopsLeft = -1;
    if (std::sscanf(path.c_str(), "/p/%d/h%d", &id, &hopsLeft) < 1 || id < 0 || id >= int(m_plan.urls.size()))
        return response("404 Not Found", "", "<html><body>not found</body></html>");
    const PlannedUrl& url = m_plan.urls[size_t(id)];
    const int step = hopsLeft < 0 ? 0 : url.hops - hopsLeft; // responses given before this one
    const int asked = m_requestsPerUrl[id]++;
    delayMs = url.delaysMs[size_t(
        std::clamp(url.behaviour == Behaviour::BusyOnce ? asked : step, 0, int(url.delaysMs.size()) - 1))];
    switch (url.behaviour) {
    case Behaviour::NotFound:
        return response("404 Not Found", "", "<html><body>not found</body></html>");
    case Behaviour::Redirect:
        if (hopsLeft != 0) {
            const int next = (hopsLeft < 0 ? url.hops : hopsLeft) - 1;
            return response("302 Found",
                            "Location: /p/" + std::to_string(id) + "/h" + std::to_string(next) + "\r\n", "");
        }
        break;
    case Behaviour::BusyOnce:
        if (asked == 0)
            return response("429 Too Many Requests", "Retry-After: 1\r\n", "<html><body>busy</body></html>");
        break;
    case Behaviour::Page:
        break;
    }
    return response("200 OK", "", pageBody(id));
}

void Server::write(int fd)
{
    const auto it = m_connections.find(fd);
    if (it == m_connections.end())
        return;
    Connection& c = it->second;
    while (c.sent < c.out.size()) {
        const ssize_t n = ::send(fd, c.out.data() + c.sent, c.out.size() - c.sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EAGAIN) {
            epoll_event e{};
            e.events = EPOLLIN | EPOLLOUT | EPOLLRDHUP;
            e.data.u64 = tagged(Client, fd);
            epoll_ctl(m_epoll, EPOLL_CTL_MOD, fd, &e);
            return;
        }
        if (n <= 0) {
            close(fd);
            return;
        }
        c.sent += size_t(n);
    }
    count(c, -1);
    // The whole request was read, so closing sends a FIN, not a reset.
    close(fd);
}

void Server::close(int fd)
{
    const auto it = m_connections.find(fd);
    if (it == m_connections.end())
        return;
    count(it->second, -1);
    m_connections.erase(it);
    epoll_ctl(m_epoll, EPOLL_CTL_DEL, fd, nullptr);
    ::close(fd);
}

void Server::count(Connection& c, int delta)
{
    if ((delta > 0) == c.counted)
        return;
    c.counted = delta > 0;
    m_load[size_t(c.host)] += delta;
    m_total += delta;
    m_peak[size_t(c.host)] = std::max(m_peak[size_t(c.host)], m_load[size_t(c.host)]);
    m_peakTotal = std::max(m_peakTotal, m_total);
}

void Server::printCounts() const
{
    std::printf("requests %d, most at once on one host %d, in all %d\n", m_requests,
                *std::max_element(m_peak.begin(), m_peak.end()), m_peakTotal);
    std::fflush(stdout);
}

int main(int argc, char** argv)
{
    std::string scenario, links;
    std::uint64_t seed = 21;
    int port = 24321;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--scenario")
            scenario = argv[i + 1];
        else if (option == "--seed")
            seed = std::strtoull(argv[i + 1], nullptr, 10);
        else if (option == "--port")
            port = std::atoi(argv[i + 1]);
        else if (option == "--links")
            links = argv[i + 1];
    }
    Plan plan;
    if (links.empty() || !makePlan(scenario, seed, plan)) {
        std::fprintf(stderr,
                     "usage: bench_realweb_server --scenario harvested|clean|clean429|large [--seed N] "
                     "[--port P] --links FILE\n");
        return 2;
    }
    Server server(plan, port);
    if (!server.open())
        return 1;
    std::ofstream file(links, std::ios::binary | std::ios::trunc);
    for (const int id : plan.order)
        file << "http://" << hostAddress(plan.urls[size_t(id)].host) << ':' << port << "/p/" << id << "\r\n";
    file.close();
    std::printf("ready\n");
    std::fflush(stdout);
    server.run();
    server.printCounts();
    return 0;
}
