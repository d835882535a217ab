// SPDX-License-Identifier: GPL-3.0-or-later
// Simulator selection, the shared instrument, faults and the event trace.
#include "sim/sim.h"
#include "sim/instrument.h"
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace hwlink::sim {

namespace {

struct FileCloser {
    void operator()(std::FILE *f) const { std::fclose(f); }
};

struct TraceSink {
    std::unique_ptr<std::FILE, FileCloser> file;
    std::string path;
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

Faults &faults() {
    static Faults f;
    return f;
}

void resetSimulator() {
    faults() = Faults{};
    instrument().powerOn(selectedVariant());
    sink().lines.clear();
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

void trace(const char *fmt, ...) {
    TraceSink &s = sink();
    if (!s.file && !s.capture) return;
    char line[96];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(line, sizeof line, fmt, ap);
    va_end(ap);
    if (s.file) {
        std::fputs(line, s.file.get());
        std::fputc('\n', s.file.get());
    }
    if (s.capture) s.lines.emplace_back(line);
}

void openTraceFromEnv() {
    TraceSink &s = sink();
    const char *env = std::getenv("HWLINK_SIM_TRACE");
    const std::string path = env ? env : "";
    if (path == s.path && (s.file || path.empty())) return;
    s.file.reset();
    s.path = path;
    if (!path.empty()) s.file.reset(std::fopen(path.c_str(), "a"));
}

void flushTrace() {
    if (sink().file) std::fflush(sink().file.get());
}

} // namespace hwlink::sim
