#include "RealWebPlan.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>

namespace RealWeb {

namespace {

constexpr int kUrlsPerHost = 5;

// A median of 120 ms and a 95th percentile of 800 ms: exp(mu) = 120 and
// exp(mu + 1.645 sigma) = 800. The draws are kept to 5 ms - 10 s.
int logNormalDelay(std::mt19937_64& random)
{
    static const double mu = std::log(120.0);
    static const double sigma = std::log(800.0 / 120.0) / 1.6449;
    // Box-Muller by hand: the standard library's distributions may give other
    // numbers on another compiler, the plan must not.
    const double u1 = (double(random() >> 11) + 1.0) / 9007199254740993.0;
    const double u2 = double(random() >> 11) / 9007199254740992.0;
    const double normal = std::sqrt(-2.0 * std::log(u1)) * std::cos(6.283185307179586 * u2);
    return int(std::clamp(std::exp(mu + sigma * normal), 5.0, 10000.0));
}

int below(std::mt19937_64& random, int n)
{
    return int(random() % std::uint64_t(n));
}

void shuffle(std::vector<int>& values, std::mt19937_64& random)
{
    for (int i = int(values.size()) - 1; i > 0; --i)
        std::swap(values[size_t(i)], values[size_t(below(random, i + 1))]);
}

void makeHarvested(std::mt19937_64& random, Plan& plan)
{
    constexpr int kHosts = 200, kTarpits = 6, kClosed = 4;
    plan.hosts.assign(kHosts, HostKind::Serving);
    // Which addresses misbehave is drawn too, so they are spread out.
    std::vector<int> addresses(kHosts);
    std::iota(addresses.begin(), addresses.end(), 0);
    shuffle(addresses, random);
    for (int i = 0; i < kTarpits; ++i)
        plan.hosts[size_t(addresses[size_t(i)])] = HostKind::Tarpit;
    for (int i = kTarpits; i < kTarpits + kClosed; ++i)
        plan.hosts[size_t(addresses[size_t(i)])] = HostKind::Closed;

    std::vector<int> serving; // ids of URLs on answering hosts
    for (int h = 0; h < kHosts; ++h) {
        for (int k = 0; k < kUrlsPerHost; ++k) {
            PlannedUrl url;
            url.host = h;
            url.delaysMs = {logNormalDelay(random)};
            if (plan.hosts[size_t(h)] == HostKind::Serving)
                serving.push_back(int(plan.urls.size()));
            plan.urls.push_back(url);
        }
    }
    shuffle(serving, random);
    size_t next = 0;
    for (int i = 0; i < 50; ++i)
        plan.urls[size_t(serving[next++])].behaviour = Behaviour::NotFound;
    for (int i = 0; i < 20; ++i)
        plan.urls[size_t(serving[next++])].delaysMs = {3000};
    for (int i = 0; i < 50; ++i) {
        PlannedUrl& url = plan.urls[size_t(serving[next++])];
        url.behaviour = Behaviour::Redirect;
        url.hops = 1 + below(random, 3);
        for (int hop = 0; hop < url.hops; ++hop)
            url.delaysMs.push_back(logNormalDelay(random));
    }
    plan.order.resize(plan.urls.size());
    std::iota(plan.order.begin(), plan.order.end(), 0);
    shuffle(plan.order, random);
}

// Hosts that all answer, and urls URLs round robin over them, each
// answered after delayMs.
void addServing(int hosts, int urls, int delayMs, Plan& plan)
{
    plan.hosts.assign(size_t(hosts), HostKind::Serving);
    for (int i = 0; i < urls; ++i) {
        PlannedUrl url;
        url.host = i % hosts;
        url.delaysMs = {delayMs};
        plan.urls.push_back(url);
        plan.order.push_back(i);
    }
}

void makeClean(std::mt19937_64& random, bool busy, Plan& plan)
{
    constexpr int kHosts = 50, kUrls = 300, kBusy = 13;
    addServing(kHosts, kUrls, 100, plan);
    if (!busy)
        return;
    std::vector<int> ids(kUrls);
    std::iota(ids.begin(), ids.end(), 0);
    shuffle(ids, random);
    for (int i = 0; i < kBusy; ++i) {
        PlannedUrl& url = plan.urls[size_t(ids[size_t(i)])];
        url.behaviour = Behaviour::BusyOnce;
        url.delaysMs = {100, 100};
    }
}

// A long list that only measures the run's own cost, its memory above all.
void makeLarge(Plan& plan)
{
    constexpr int kHosts = 100, kUrls = 100000;
    addServing(kHosts, kUrls, 1, plan);
}

} // namespace

bool makePlan(const std::string& scenario, std::uint64_t seed, Plan& plan)
{
    plan = Plan{};
    std::mt19937_64 random(seed);
    if (scenario == "harvested")
        makeHarvested(random, plan);
    else if (scenario == "clean" || scenario == "clean429")
        makeClean(random, scenario == "clean429", plan);
    else if (scenario == "large")
        makeLarge(plan);
    else
        return false;
    return true;
}

std::string hostAddress(int host)
{
    return "127.0.0." + std::to_string(2 + host);
}

} // namespace RealWeb
