// SPDX-License-Identifier: GPL-3.0-or-later
// Simulator selection, the shared instrument, faults and the event trace.
#include "sim/sim.h"
#include "sim/instrument.h"
#include "src/clock.h"
#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <string_view>
#include <thread>
#include <unistd.h>

namespace hwlink::sim {

namespace {

// An open file descriptor, closed with its owner.
struct Fd {
    int fd = -1;
    Fd() = default;
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    ~Fd() { reset(); }
    void reset(int to = -1) {
        if (fd >= 0) ::close(fd);
        fd = to;
    }
};

struct TraceSink {
    Fd file;
    std::string path;
    std::vector<std::string> only; // the file takes only lines that start with one of these
    bool capture = false;
    std::vector<std::string> lines;
};

TraceSink &sink() {
    static TraceSink s;
    return s;
}

} // namespace

SimLink selectedLink() {
    const char *env = std::getenv("HWLINK_SIM");
    if (!env) return SimLink::None;
    if (std::strcmp(env, "usb") == 0) return SimLink::Usb20;
    if (std::strcmp(env, "usb11") == 0) return SimLink::Usb11;
    if (std::strcmp(env, "epp") == 0) return SimLink::Epp;
    if (std::strcmp(env, "bpp") == 0) return SimLink::Bpp;
    return SimLink::None;
}

int selectedVariant() {
    const char *env = std::getenv("HWLINK_SIM_VARIANT");
    if (env && env[0] >= '1' && env[0] <= '3' && env[1] == '\0') return env[0] - '0';
    return 1;
}

Instrument &instrument() {
    static Instrument inst;
    return inst;
}

bool instrumentAttached() {
    openTraceFromEnv();
    faultsFromEnv();
    faults().requests = 0; // requests are counted from the device's opening
    // Set and not empty, the inputs start over from HWLINK_SIM_SIGNALS, as the faults do: a
    // program (or a test) that opens the instrument again may connect other signals.
    if (const char *env = std::getenv("HWLINK_SIM_SIGNALS"); env && *env)
        instrument().model().setSignals(signalsFromEnv());
    if (faults().disappeared) return false;
    instrument().setVariant(selectedVariant());
    return true;
}

Faults &faults() {
    static Faults f;
    return f;
}

namespace {
// The environment items already named on stderr: each is named once per power-up.
std::set<std::string> &warned() {
    static std::set<std::string> w;
    return w;
}
// The request faults that have struck since the simulator was powered up.
std::vector<Faults::RequestFault> &spentRequestFaults() {
    static std::vector<Faults::RequestFault> s;
    return s;
}
} // namespace

void resetSimulator() {
    faults() = Faults{};
    warned().clear();
    spentRequestFaults().clear();
    instrument().powerOn(selectedVariant());
    sink().lines.clear();
}

namespace {
void strikeDueFaults(Faults &f) {
    auto due = [&](int after) { return after >= 0 && f.recordsRead >= after; };
    if (due(f.goneAfterRecords)) f.disappeared = true;
    if (due(f.bulkFailAfterRecords)) f.failBulkAfter = 0;
    if (due(f.regFailAfterRecords)) f.failRegisterRequests = true;
}

// A whole number of [lo, hi], digits only.
bool toCount(const std::string &s, int64_t lo, int64_t hi, int64_t &out) {
    if (s.empty() || s.size() > 15 || s.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const int64_t v = std::stoll(s);
    if (v < lo || v > hi) return false;
    out = v;
    return true;
}

// "N" (failonce) or "N,MS" (slow).
bool parseRequestFault(const std::string &s, Faults::RequestFault &rf, bool slow) {
    const size_t comma = s.find(',');
    if (slow != (comma != std::string::npos)) return false;
    int64_t ms = -1;
    if (slow && !toCount(s.substr(comma + 1), 0, 600000, ms)) return false;
    rf.delayMs = int(ms);
    return toCount(s.substr(0, comma), 1, int64_t(1e15), rf.at);
}
} // namespace

bool parseFaults(const std::string &text, Faults &f, std::vector<std::string> *rejected) {
    static const struct {
        const char *name;
        int Faults::*after; // armed with a count, or
        bool Faults::*flag; // set at once
    } kKinds[] = {{"gone", &Faults::goneAfterRecords, nullptr},
                  {"bulkfail", &Faults::bulkFailAfterRecords, nullptr},
                  {"regfail", &Faults::regFailAfterRecords, nullptr},
                  {"neverready", nullptr, &Faults::neverReady},
                  {"neverdone", nullptr, &Faults::neverDone}};
    bool ok = true;
    for (const std::string &item : envItems(text)) {
        const size_t at = item.find('@');
        const std::string name = item.substr(0, at);
        if (name == "failonce" || name == "slow") {
            Faults::RequestFault rf;
            if (at == std::string::npos ||
                !parseRequestFault(item.substr(at + 1), rf, name == "slow")) {
                if (rejected) rejected->push_back(item);
                ok = false;
            } else {
                f.requestFaults.push_back(rf);
            }
            continue;
        }
        const std::string count = at == std::string::npos ? "0" : item.substr(at + 1);
        char *end = nullptr;
        const long n = std::strtol(count.c_str(), &end, 10);
        const bool countOk = !count.empty() && *end == '\0' && n >= 0 && n <= 1000000000;
        const auto kind = std::find_if(std::begin(kKinds), std::end(kKinds),
                                       [&](const auto &k) { return name == k.name; });
        if (kind == std::end(kKinds) || !countOk || (kind->flag && at != std::string::npos)) {
            if (rejected) rejected->push_back(item);
            ok = false;
            continue;
        }
        if (kind->flag)
            f.*(kind->flag) = true;
        else
            f.*(kind->after) = int(n);
    }
    strikeDueFaults(f);
    return ok;
}

void faultsFromEnv() {
    const char *env = std::getenv("HWLINK_SIM_FAULT");
    if (!env || !*env) return;
    Faults f;
    std::vector<std::string> rejected;
    parseFaults(env, f, &rejected);
    for (const std::string &item : rejected)
        warnIgnored("HWLINK_SIM_FAULT", item);
    std::erase_if(f.requestFaults, [](const Faults::RequestFault &rf) {
        return std::find(spentRequestFaults().begin(), spentRequestFaults().end(), rf) !=
               spentRequestFaults().end();
    });
    faults() = f;
}

bool requestFails() {
    Faults &f = faults();
    const int64_t n = ++f.requests;
    bool fail = false;
    for (auto it = f.requestFaults.begin(); it != f.requestFaults.end();) {
        if (it->at != n) {
            ++it;
            continue;
        }
        if (it->delayMs < 0) {
            fail = true;
            trace("fault failonce %lld", static_cast<long long>(n));
        } else {
            trace("fault slow %lld %d", static_cast<long long>(n), it->delayMs);
            // The request hangs on the link: on the virtual clock the time passes at once.
            if (hwlink::virtualClock())
                hwlink::advanceVirtualMs(it->delayMs);
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(it->delayMs));
        }
        spentRequestFaults().push_back(*it);
        it = f.requestFaults.erase(it);
    }
    return fail;
}

void recordReadOut() {
    Faults &f = faults();
    ++f.recordsRead;
    strikeDueFaults(f);
}

std::vector<std::string> envItems(const std::string &text, bool keepSpaces) {
    std::vector<std::string> items(1);
    for (char ch : text) {
        if (ch == ';')
            items.emplace_back();
        else if (keepSpaces || (ch != ' ' && ch != '\t'))
            items.back() += ch;
    }
    std::erase_if(items, [](const std::string &i) {
        return i.find_first_not_of(" \t") == std::string::npos;
    });
    return items;
}

void warnIgnored(const char *variable, const std::string &item) {
    if (!warned().insert(std::string(variable) + '\n' + item).second) return;
    std::fprintf(stderr, "hwlink simulator: %s: cannot use \"%s\", ignored\n", variable,
                 item.c_str());
}

void captureTrace(bool on) {
    sink().capture = on;
    if (!on) sink().lines.clear();
}

std::vector<std::string> takeTrace() {
    std::vector<std::string> out;
    out.swap(sink().lines);
    return out;
}

bool tracing() {
    const TraceSink &s = sink();
    return s.file.fd >= 0 || s.capture;
}

namespace {
// Whether the trace filter takes a line that starts with `text` (`whole`: the line is all of it,
// else more may follow).
bool takes(const std::vector<std::string> &only, std::string_view text, bool whole) {
    return only.empty() || std::any_of(only.begin(), only.end(), [&](const std::string &w) {
               return text.starts_with(w) || (!whole && std::string_view(w).starts_with(text));
           });
}
} // namespace

void trace(const char *fmt, ...) {
    TraceSink &s = sink();
    // The format's text before its first conversion is the line's start, so a line the filter
    // cannot take is not even formatted (a parallel port's session makes two million of them).
    const bool toFile =
        s.file.fd >= 0 && takes(s.only, std::string_view(fmt, std::strcspn(fmt, "%")), false);
    if (!toFile && !s.capture) return;
    char line[128];
    va_list ap;
    va_start(ap, fmt);
    const int n =
        std::clamp(std::vsnprintf(line, sizeof line - 1, fmt, ap), 0, int(sizeof line) - 2);
    va_end(ap);
    if (s.capture) s.lines.emplace_back(line, size_t(n));
    if (toFile && takes(s.only, std::string_view(line, size_t(n)), true)) {
        // The whole line in one write to a file opened for appending: it lands in one piece.
        line[n] = '\n';
        [[maybe_unused]] const ssize_t written = ::write(s.file.fd, line, size_t(n) + 1);
    }
}

void openTraceFromEnv() {
    TraceSink &s = sink();
    const char *env = std::getenv("HWLINK_SIM_TRACE");
    const char *only = std::getenv("HWLINK_SIM_TRACE_ONLY");
    s.only = only ? envItems(only, false) : std::vector<std::string>{};
    const std::string path = env ? env : "";
    if (path == s.path && (s.file.fd >= 0 || path.empty())) return;
    s.path = path;
    s.file.reset(
        path.empty() ? -1 : ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
}

} // namespace hwlink::sim
