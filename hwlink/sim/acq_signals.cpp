// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated instrument's inputs: parsing HWLINK_SIM_SIGNALS (documented in
// acquisition_model.h), the voltage on each analog input and the serial buses on the logic
// lines at any instant.
#include "sim/acquisition_model.h"
#include "sim/sim.h"
#include <algorithm>
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

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// "D0" .. "D15" give the line's number, anything else -1.
int lineNumber(const std::string &s) {
    if (s.size() < 2 || s.size() > 3 || s[0] != 'D') return -1;
    int n = 0;
    for (size_t i = 1; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return -1;
        n = n * 10 + (s[i] - '0');
    }
    return n <= 15 ? n : -1;
}

// A baud rate or clock frequency: given, above 0 and at most 1 GHz.
bool toRate(const std::string &s, double &out) {
    double v = 0;
    if (s.empty() || !toDouble(s, v) || !(v > 0) || v > 1e9) return false;
    out = v;
    return true;
}

// Two hex digits a byte, at least one byte.
bool toBytes(const std::string &s, std::vector<uint8_t> &out) {
    if (s.empty() || s.size() % 2 != 0) return false;
    for (size_t i = 0; i < s.size(); i += 2) {
        const int hi = hexDigit(s[i]), lo = hexDigit(s[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out.push_back(uint8_t(hi * 16 + lo));
    }
    return true;
}

// A 7-bit address, decimal or 0x.. hexadecimal.
bool toAddress(const std::string &s, int &out) {
    const bool hex = s.rfind("0x", 0) == 0;
    const std::string digits = hex ? s.substr(2) : s;
    if (digits.empty()) return false;
    int v = 0;
    for (char c : digits) {
        const int d = hex ? hexDigit(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
        if (d < 0) return false;
        v = v * (hex ? 16 : 10) + d;
        if (v > 127) return false;
    }
    out = v;
    return true;
}

bool printableText(const std::string &s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) {
        return c >= 0x20 && c <= 0x7E && c != ';' && c != ',';
    });
}

// Dn=uart,..., Dc:Dd=i2c,..., Dk:Do:Ds=spi,...: `text` is the uart's text as written.
bool parseSource(const std::string &name, const std::vector<std::string> &f,
                 const std::string &text, SignalConfig &cfg) {
    LogicSource src;
    for (const std::string &n : split(name, ':')) {
        const int line = lineNumber(n);
        if (line < 0 || std::find(src.lines.begin(), src.lines.end(), line) != src.lines.end())
            return false;
        for (const LogicSource &other : cfg.logicSources)
            if (std::find(other.lines.begin(), other.lines.end(), line) != other.lines.end())
                return false;
        src.lines.push_back(line);
    }
    if (f.size() < 2 || !toRate(f[1], src.rate)) return false;
    if (f[0] == "uart") {
        if (src.lines.size() != 1 || !printableText(text)) return false;
        src.kind = LogicSource::Kind::Uart;
        src.bytes.assign(text.begin(), text.end());
    } else if (f[0] == "i2c") {
        int address = 0;
        if (src.lines.size() != 2 || f.size() != 4 || !toAddress(f[2], address)) return false;
        src.kind = LogicSource::Kind::I2c;
        src.bytes.push_back(uint8_t(address << 1)); // the write bit is 0
        if (!toBytes(f[3], src.bytes)) return false;
    } else if (f[0] == "spi") {
        if (src.lines.size() != 3 || f.size() != 3 || !toBytes(f[2], src.bytes)) return false;
        src.kind = LogicSource::Kind::Spi;
    } else {
        return false;
    }
    cfg.logicSources.push_back(std::move(src));
    return true;
}

bool parseItem(const std::string &name, const std::vector<std::string> &f, const std::string &text,
               SignalConfig &cfg) {
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
    if (name[0] == 'D') return parseSource(name, f, text, cfg);
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
    for (const std::string &raw : envItems(text, true)) {
        std::string item = raw;
        std::erase_if(item, [](char ch) { return ch == ' ' || ch == '\t'; });
        const size_t eq = item.find('=');
        std::string name = item.substr(0, eq);
        for (char &ch : name)
            ch = char(std::toupper(static_cast<unsigned char>(ch)));
        std::string fields = eq == std::string::npos ? "" : item.substr(eq + 1);
        for (char &ch : fields)
            ch = char(std::tolower(static_cast<unsigned char>(ch)));
        // A serial text is taken as written: everything after the second comma.
        size_t comma = raw.find('=');
        for (int i = 0; i < 2 && comma != std::string::npos; ++i)
            comma = raw.find(',', comma + 1);
        const std::string textField = comma == std::string::npos ? "" : raw.substr(comma + 1);
        if (eq == std::string::npos || name.empty() ||
            !parseItem(name, split(fields, ','), textField, cfg)) {
            // Named as written, less the spaces around it.
            const size_t from = raw.find_first_not_of(" \t"), to = raw.find_last_not_of(" \t");
            if (rejected) rejected->push_back(raw.substr(from, to + 1 - from));
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

namespace {
// Where x (in steps, any sign) falls in a cycle of `period` steps: 0 .. period - 1.
int64_t phaseIn(double x, int64_t period) {
    if (!std::isfinite(x)) return 0;
    double r = std::fmod(std::floor(x), double(period));
    if (r < 0) r += double(period);
    return std::clamp<int64_t>(int64_t(r), 0, period - 1);
}
} // namespace

uint16_t LogicSource::drive(double t, uint16_t word) const {
    if (bytes.empty()) return word;
    auto set = [&](size_t k, bool high) {
        const uint16_t m = uint16_t(1u << lines[k]);
        word = high ? uint16_t(word | m) : uint16_t(word & ~m);
    };
    // Bit i of the transfer, most significant bit of each byte first.
    auto msbFirst = [&](int64_t i) { return (bytes[size_t(i / 8)] >> (7 - i % 8)) & 1; };
    const int64_t n = int64_t(bytes.size());
    switch (kind) {
    case Kind::Uart: {
        // Each byte: start bit, eight data bits from the least significant, stop bit, one idle
        // bit; after the text ten bit times of idle, so that a receiver that took a data edge
        // for a start bit (a record begun inside a character) finds the next true one.
        const int64_t b = phaseIn(t * rate, 11 * n + 10);
        const int64_t j = b % 11;
        set(0, b >= 11 * n || (j != 0 && (j > 8 || (bytes[size_t(b / 11)] >> (j - 1)) & 1)));
        break;
    }
    case Kind::I2c: {
        // In quarter bits: each bit holds the clock low for two quarters (the data changes
        // after the first) and high for two. A start bit, nine bits a byte (the ninth the
        // target's acknowledge, data low), a stop bit, ten bits of idle.
        const int64_t bits = 9 * n;
        const int64_t q = phaseIn(t * rate * 4.0, 4 * (bits + 12));
        const int64_t cell = q / 4, ph = q % 4;
        auto bit = [&](int64_t i) { return i % 9 == 8 ? 0 : msbFirst(i / 9 * 8 + i % 9); };
        bool scl = true, sda = true;
        if (cell == 0) {
            sda = ph < 2; // start: data falls while the clock is high
        } else if (cell <= bits) {
            const int64_t i = cell - 1;
            scl = ph >= 2;
            sda = ph == 0 ? (i > 0 && bit(i - 1)) : bit(i);
        } else if (cell == bits + 1) {
            scl = ph >= 2;
            sda = ph == 3; // stop: data rises while the clock is high
        }
        set(0, scl);
        set(1, sda);
        break;
    }
    case Kind::Spi: {
        // In half bits: select falls half a bit before the first clock, each bit is clock low
        // then high (data changes on the falling edge), select rises half a bit after the
        // last, then ten bits of idle.
        const int64_t bits = 8 * n;
        const int64_t h = phaseIn(t * rate * 2.0, 2 * bits + 22);
        bool clk = false, mosi = false, cs = true;
        if (h <= 2 * bits + 1) {
            cs = false;
            clk = h >= 1 && h <= 2 * bits && (h - 1) % 2 == 1;
            mosi = msbFirst(std::clamp<int64_t>((h - 1) / 2, 0, bits - 1));
        }
        set(0, clk);
        set(1, mosi);
        set(2, cs);
        break;
    }
    }
    return word;
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
