// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/decode/setup.h"

#include <set>

#include "core/decode/decoders.h"

namespace vrx::decode {

namespace {

bool InRange(const QStringList &stacks, int stack) {
    return stack >= 0 && stack < stacks.size();
}

// Parses stack `stack`, lets `edit` change it and writes it back when both succeed.
template <typename F> bool Edit(QStringList &stacks, int stack, QString *error, F edit) {
    if (!InRange(stacks, stack)) {
        if (error) *error = QStringLiteral("no such stack");
        return false;
    }
    std::optional<Stack> s = ParseStack(stacks[stack], error);
    if (!s || !edit(*s)) return false;
    stacks[stack] = StackText(*s);
    return true;
}

bool Fail(QString *error, const QString &why) {
    if (error) *error = why;
    return false;
}

} // namespace

bool AddStack(QStringList &stacks, const QString &id, QString *error) {
    const DecoderInfo *info = Find(id);
    if (!info) return Fail(error, QStringLiteral("unknown decoder %1").arg(id));
    if (!info->inputs.contains(QStringLiteral("logic")))
        return Fail(error, QStringLiteral("%1 does not read logic lines: stack it on a decoder "
                                          "that outputs %2")
                               .arg(id, info->inputs.join(QStringLiteral(", "))));
    std::set<int> used;
    for (const QString &text : stacks)
        if (auto s = ParseStack(text, nullptr))
            for (const auto &[channel, line] : s->channels)
                used.insert(line);
    Stack s;
    s.layers.push_back({id, {}});
    // The required channels; a decoder with none (uart: rx and tx) gets its first channel.
    bool anyRequired = false;
    for (const ChannelInfo &c : info->channels)
        anyRequired = anyRequired || !c.optional;
    int line = 0;
    for (size_t k = 0; k < info->channels.size(); ++k) {
        const ChannelInfo &c = info->channels[k];
        if (c.optional && (anyRequired || k > 0)) continue;
        while (line < kLines - 1 && used.count(line))
            ++line;
        s.channels[c.id] = line;
        used.insert(line);
    }
    stacks << StackText(s);
    return true;
}

bool StackOn(QStringList &stacks, int stack, const QString &id, QString *error) {
    const DecoderInfo *info = Find(id);
    if (!info) return Fail(error, QStringLiteral("unknown decoder %1").arg(id));
    return Edit(stacks, stack, error, [&](Stack &s) {
        const DecoderInfo *top = s.layers.empty() ? nullptr : Find(s.layers.back().id);
        bool reads = false;
        for (const QString &out : top ? top->outputs : QStringList())
            reads = reads || info->inputs.contains(out);
        if (!reads)
            return Fail(error, QStringLiteral("%1 does not read what %2 outputs")
                                   .arg(id, top ? top->id : QString()));
        s.layers.push_back({id, {}});
        return true;
    });
}

bool SetOption(QStringList &stacks, int stack, int layer, const QString &option,
               const QString &value, QString *error) {
    return Edit(stacks, stack, error, [&](Stack &s) {
        if (layer < 0 || static_cast<size_t>(layer) >= s.layers.size())
            return Fail(error, QStringLiteral("no such decoder in the stack"));
        auto &options = s.layers[static_cast<size_t>(layer)].options;
        bool found = false;
        for (auto &[id, text] : options)
            if (id == option) {
                text = value;
                found = true;
            }
        if (!found) options.emplace_back(option, value);
        // The text must read back: an option or value the decoder refuses is not taken.
        return ParseStack(StackText(s), error).has_value();
    });
}

bool SetChannel(QStringList &stacks, int stack, const QString &channel, int line, QString *error) {
    return Edit(stacks, stack, error, [&](Stack &s) {
        if (line < 0)
            s.channels.erase(channel);
        else if (line < kLines)
            s.channels[channel] = line;
        else
            return Fail(error, QStringLiteral("no line D%1").arg(line));
        return ParseStack(StackText(s), error).has_value();
    });
}

void RemoveLayer(QStringList &stacks, int stack, int layer) {
    if (!InRange(stacks, stack)) return;
    std::optional<Stack> s = ParseStack(stacks[stack], nullptr);
    if (!s || layer <= 0) {
        stacks.removeAt(stack);
        return;
    }
    if (static_cast<size_t>(layer) < s->layers.size()) s->layers.resize(static_cast<size_t>(layer));
    stacks[stack] = StackText(*s);
}

} // namespace vrx::decode
