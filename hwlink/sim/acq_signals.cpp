// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated instrument's inputs: parsing HWLINK_SIM_SIGNALS (documented in
// acquisition_model.h) and the voltage on each analog input at any instant.
#include "sim/acquisition_model.h"
#include "sim/sim.h"
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <sstream>

namespace hwlink::sim {

namespace {

std::vector<std::string> split(const std::string &s, char sep) {
    std::vector<std::string> parts;
    std::stringstream in(s);
    std::string part;
    while (std::getline(in, part, sep))
        parts.push_back(part);
    return parts;
}

bool toDouble(const std::string &s, double &out) {
    if (s.empty()) return true; // keep the default
    char *end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    if (end == s.c_str() || *end != '\0' || !std::isfinite(v)) return false;
    out = v;
    return true;
}

bool toShape(const std::string &s, Shape &out) {
    static const struct {
        const char *name;
        Shape shape;
    } kShapes[] = {{"none", Shape::None},     {"sine", Shape::Sine},
                   {"square", Shape::Square}, {"triangle", Shape::Triangle},
                   {"saw", Shape::Saw},       {"dc", Shape::Dc},
                   {"cal", Shape::Cal}};
    for (const auto &k : kShapes) {
        if (s == k.name) {
            out = k.shape;
            return true;
        }
    }
    return false;
}

bool parseItem(const std::string &name, const std::vector<std::string> &f, SignalConfig &cfg) {
    auto field = [&](size_t i) { return i < f.size() ? f[i] : std::string(); };
    if (name == "A1" || name == "A2") {
        AnalogSignal s = cfg.analog[name == "A1" ? 0 : 1];
        if (f.empty() || !toShape(f[0], s.shape) || !toDouble(field(1), s.frequency) ||
            !toDouble(field(2), s.amplitude) || !toDouble(field(3), s.offset) || f.size() > 4)
            return false;
        cfg.analog[name == "A1" ? 0 : 1] = s;
        return true;
    }
    if (name == "D") {
        if (f.empty() || f.size() > 2) return false;
        if (f[0] == "count") {
            double rate = cfg.logicRate;
            if (!toDouble(field(1), rate) || rate < 0) return false;
            cfg.logicCounter = true;
            cfg.logicRate = rate;
            return true;
        }
        if (f[0] == "word" && f.size() == 2) {
            char *end = nullptr;
            const unsigned long v = std::strtoul(f[1].c_str(), &end, 0);
            if (end == f[1].c_str() || *end != '\0' || v > 0xFFFF) return false;
            cfg.logicCounter = false;
            cfg.logicWord = uint16_t(v);
            return true;
        }
        return false;
    }
    if (name == "CAL") {
        double freq = cfg.calFrequency, amp = cfg.calAmplitude;
        if (f.size() > 2 || !toDouble(field(0), freq) || !toDouble(field(1), amp) || freq <= 0)
            return false;
        cfg.calFrequency = freq;
        cfg.calAmplitude = amp;
        return true;
    }
    if (name == "NOISE") {
        double n = cfg.noise;
        if (f.size() != 1 || !toDouble(f[0], n) || n < 0) return false;
        cfg.noise = n;
        return true;
    }
    if (name == "SEED") {
        char *end = nullptr;
        const unsigned long v = f.size() == 1 ? std::strtoul(f[0].c_str(), &end, 0) : 0;
        if (f.size() != 1 || end == f[0].c_str() || *end != '\0') return false;
        cfg.seed = uint32_t(v);
        return true;
    }
    return false;
}

// The phase of a periodic input; an input too fast to have one (frequency times time beyond
// the double range) stays at phase 0.
double frac(double x) {
    return std::isfinite(x) ? x - std::floor(x) : 0.0;
}

} // namespace

SignalConfig defaultSignals() {
    SignalConfig c;
    c.analog[0] = {Shape::Square, 1.0e6, 0.25, 0.0};
    c.analog[1] = {Shape::Sine, 0.5e6, 0.35, 0.0};
    return c;
}

bool parseSignals(const std::string &text, SignalConfig &cfg, std::vector<std::string> *rejected) {
    bool ok = true;
    for (const std::string &item : envItems(text)) {
        const size_t eq = item.find('=');
        std::string name = item.substr(0, eq);
        for (char &ch : name)
            ch = char(std::toupper(static_cast<unsigned char>(ch)));
        std::string fields = eq == std::string::npos ? "" : item.substr(eq + 1);
        for (char &ch : fields)
            ch = char(std::tolower(static_cast<unsigned char>(ch)));
        if (eq == std::string::npos || !parseItem(name, split(fields, ','), cfg)) {
            if (rejected) rejected->push_back(item);
            ok = false;
        }
    }
    return ok;
}

SignalConfig signalsFromEnv() {
    SignalConfig c = defaultSignals();
    if (const char *env = std::getenv("HWLINK_SIM_SIGNALS")) {
        std::vector<std::string> rejected;
        parseSignals(env, c, &rejected);
        for (const std::string &item : rejected)
            warnIgnored("HWLINK_SIM_SIGNALS", item);
    }
    return c;
}

double AcquisitionModel::inputVolts(int k, double t) const {
    const AnalogSignal &s = sig_.analog[k];
    const double ph = frac(s.frequency * t);
    switch (s.shape) {
    case Shape::Sine:
        return s.offset + s.amplitude * std::sin(2.0 * std::numbers::pi * ph);
    case Shape::Square:
        return s.offset + (ph < 0.5 ? s.amplitude : -s.amplitude);
    case Shape::Triangle:
        return s.offset + s.amplitude * (ph < 0.5 ? 4.0 * ph - 1.0 : 3.0 - 4.0 * ph);
    case Shape::Saw:
        return s.offset + s.amplitude * (2.0 * ph - 1.0);
    case Shape::Dc:
        return s.offset;
    case Shape::Cal:
        return s.offset + (frac(sig_.calFrequency * t) < 0.5 ? sig_.calAmplitude : 0.0);
    case Shape::None:
        break;
    }
    return 0.0;
}

} // namespace hwlink::sim
