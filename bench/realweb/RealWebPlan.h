#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What the loopback "real web" serves: a list of URLs on many hosts and, for
// each URL, how its server behaves. Made from a seed, so every run of the
// benchmark, and the runs it compares, meet the very same web.
//
// Scenarios:
//  - "harvested": 1,000 URLs on 200 hosts, shuffled as a link list harvested
//    from directory pages is. Answer times drawn from a log-normal law (median
//    120 ms, 95th percentile 800 ms); 6 hosts (30 URLs) that accept the
//    connection and never answer; 4 hosts (20 URLs) whose port is closed; 50
//    pages that are not found; 20 pages that take 3 s; 50 redirect chains of
//    1 to 3 hops.
//  - "clean": 300 URLs on 50 hosts, round robin, each answered after 100 ms.
//  - "clean429": the same, but 13 of the pages first answer "429" with
//    "Retry-After: 1", and the page when asked again.
//  - "large": 100,000 URLs on 100 hosts, round robin, each answered after
//    1 ms: what a long run costs the program itself, its memory above all.
namespace RealWeb {

enum class HostKind
{
    Serving,
    Tarpit, // accepts connections and never answers
    Closed  // nothing listens on the port: every connection is refused
};

enum class Behaviour
{
    Page,
    NotFound,
    Redirect, // hops redirects on the same host, then the page
    BusyOnce  // "429" with "Retry-After: 1" on the first request, then the page
};

struct PlannedUrl
{
    int host = 0;
    Behaviour behaviour = Behaviour::Page;
    int hops = 0;
    std::vector<int> delaysMs; // one per response: the hops, then the final answer
};

struct Plan
{
    std::vector<HostKind> hosts;
    std::vector<PlannedUrl> urls; // by id, the number in the URL's path
    std::vector<int> order;       // the ids in list order
};

// False for an unknown scenario name.
bool makePlan(const std::string& scenario, std::uint64_t seed, Plan& plan);

// The address of host h: 127.0.0.2 and on.
std::string hostAddress(int host);

} // namespace RealWeb
