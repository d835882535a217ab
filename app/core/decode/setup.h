// SPDX-License-Identifier: GPL-3.0-or-later
//
// Edits of the decoders' set-up (`app().decode.Stacks`: one stack a text in the command line's
// grammar) as the Decoders window makes them. Each takes the texts and returns the new ones, or
// leaves them and says why not.
#pragma once

#include <QString>
#include <QStringList>

namespace vrx::decode {

// A new stack of decoder `id` on the lines: its channels on the first lines no other stack uses
// (D0, D1, ... as far as free), the optional ones unmapped.
bool AddStack(QStringList &stacks, const QString &id, QString *error);
// Decoder `id` stacked on the top of stack `stack`: it must read what that decoder outputs.
bool StackOn(QStringList &stacks, int stack, const QString &id, QString *error);
// Option `option` of layer `layer` of stack `stack` set to `value`.
bool SetOption(QStringList &stacks, int stack, int layer, const QString &option,
               const QString &value, QString *error);
// Channel `channel` of the stack's first decoder on line `line` (0..15; -1: unmapped).
bool SetChannel(QStringList &stacks, int stack, const QString &channel, int line, QString *error);
// Removes layer `layer` of stack `stack` and the layers stacked on it (layer 0: the stack).
void RemoveLayer(QStringList &stacks, int stack, int layer);

} // namespace vrx::decode
