// SPDX-License-Identifier: GPL-3.0-or-later
//
// Control models: the state of the windows' controls, without widgets.
//
// Each front-panel control of a window is one of these models, owned by the window's logic
// (e.g. `TimingPanel` of core/timing/frontpanel.h). The logic reads and writes the models;
// a Qt widget binds to a model in two directions:
//   - user input  -> call the model's setter (`setIndex`, `setValue`, `click`), which stores the
//     value and runs the control's handler, exactly as when the logic sets it from code;
//   - model change -> every subscriber registered with `subscribe` is called after any change of
//     the model (value, items, text, colours, enabled, visible ...); the widget then re-reads the
//     model. Update the widget with its signals blocked, so that the update does not come back
//     as user input.
//
// Setting a list index from code runs the list's handler even when the index does not change, so
// the chains of handlers (probe -> volts/div, depth -> zoom) also run headless. A scroll bar or
// spinner runs its handler only when its value changes: code that re-writes a bar's own value
// (the record-length rule after every zoom or resize) must not act as a user moving it. A
// handler is not re-entered while it is running: a nested assignment to the same control (the
// record-length rule writing back the zoom list from inside the zoom handler) only stores the
// value and notifies.
//
// Colours are 0x00BBGGRR like the colour table; values with the high bit set name a system
// colour of the desktop (kSys...), which the widget maps to its palette.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include <QString>
#include <QStringList>

namespace vrx {

// System colours (high bit set): the desktop's own label, face and grey-text colours.
constexpr int32_t kSysButtonFace = static_cast<int32_t>(0x8000000Fu);
constexpr int32_t kSysButtonText = static_cast<int32_t>(0x80000012u);
constexpr int32_t kSysGrayText = static_cast<int32_t>(0x80000011u);
constexpr bool IsSysColor(int32_t c) {
    return c < 0;
}

// Look of a label: flat, raised or sunken.
enum Effect : int16_t { EffectFlat = 0, EffectRaised = 1, EffectSunken = 2 };

// Subscribers of a model and the properties every control has.
class ControlBase {
  public:
    using Listener = std::function<void()>;

    ControlBase() = default;
    ControlBase(const ControlBase &) = delete;
    ControlBase &operator=(const ControlBase &) = delete;

    // Registers a listener called after every change; returns an id for `unsubscribe`.
    int subscribe(Listener fn) {
        listeners_.emplace_back(++lastId_, std::move(fn));
        return lastId_;
    }
    void unsubscribe(int id) {
        std::erase_if(listeners_, [id](const auto &l) { return l.first == id; });
    }
    void notify() const {
        // A listener may unsubscribe itself: iterate over a copy.
        const auto copy = listeners_;
        for (const auto &l : copy)
            l.second();
    }

    bool enabled() const { return enabled_; }
    bool visible() const { return visible_; }
    int32_t foreColor() const { return fore_; }
    int32_t backColor() const { return back_; }
    const QString &toolTip() const { return toolTip_; }
    // Position in the window's tab order; the keyboard steps act on the control whose tab
    // index is the window's key target.
    int16_t tabIndex() const { return tabIndex_; }

    void setEnabled(bool on) { assign(enabled_, on); }
    void setVisible(bool on) { assign(visible_, on); }
    void setForeColor(int32_t c) { assign(fore_, c); }
    void setBackColor(int32_t c) { assign(back_, c); }
    void setToolTip(const QString &t) { assign(toolTip_, t); }
    void setTabIndex(int16_t i) { tabIndex_ = i; }

  protected:
    template <typename T> void assign(T &field, const T &value) {
        if (field == value) return;
        field = value;
        notify();
    }
    // Runs the handler unless it is already running (see the header comment).
    void runHandler(const std::function<void()> &handler) {
        if (!handler || inHandler_) return;
        inHandler_ = true;
        handler();
        inHandler_ = false;
    }

  private:
    std::vector<std::pair<int, Listener>> listeners_;
    int lastId_ = 0;
    bool enabled_ = true;
    bool visible_ = true;
    int32_t fore_ = kSysButtonText;
    int32_t back_ = kSysButtonFace;
    QString toolTip_;
    int16_t tabIndex_ = 0;
    bool inHandler_ = false;
};

// A drop-down list (`cmb...`): items, selected index (-1 none) and its Click handler.
class ListModel : public ControlBase {
  public:
    const QStringList &items() const { return items_; }
    int index() const { return index_; }
    int count() const { return static_cast<int>(items_.size()); }
    // The text of the selected item, empty without a selection.
    QString text() const { return index_ >= 0 && index_ < count() ? items_[index_] : QString(); }

    // Replaces the items; the selection is cleared (as clearing a list does).
    void setItems(const QStringList &items) {
        items_ = items;
        index_ = -1;
        notify();
    }
    void clear() { setItems({}); }
    void addItem(const QString &item) {
        items_.append(item);
        notify();
    }
    // Selects an item and runs the handler. An index outside the list is refused.
    void setIndex(int i) {
        if (i < -1 || i >= count()) return;
        index_ = i;
        notify();
        runHandler(onChange);
    }

    std::function<void()> onChange;

  private:
    QStringList items_;
    int index_ = -1;
};

// A scroll bar or spin button (`Scroll...`, `scrl...`): range, value, step sizes and handler.
// The value is kept within the range (the range may be reversed, min > max).
class ScrollModel : public ControlBase {
  public:
    int32_t min() const { return min_; }
    int32_t max() const { return max_; }
    int32_t value() const { return value_; }
    int32_t smallChange() const { return small_; }
    int32_t largeChange() const { return large_; }

    // A new range clamps the value into it without running the handler.
    void setRange(int32_t lo, int32_t hi) {
        min_ = lo;
        max_ = hi;
        value_ = clamp(value_);
        notify();
    }
    void setMin(int32_t lo) { setRange(lo, max_); }
    void setMax(int32_t hi) { setRange(min_, hi); }
    void setSmallChange(int32_t s) { assign(small_, s); }
    void setLargeChange(int32_t l) { assign(large_, l); }

    // Stores the value (clamped into the range); a changed value notifies and runs the handler.
    void setValue(int32_t v) {
        const int32_t next = clamp(v);
        if (next == value_) return;
        value_ = next;
        notify();
        runHandler(onChange);
    }

    std::function<void()> onChange;

  private:
    int32_t clamp(int32_t v) const {
        return std::clamp(v, std::min(min_, max_), std::max(min_, max_));
    }
    int32_t min_ = 0;
    int32_t max_ = 32767;
    int32_t value_ = 0;
    int32_t small_ = 1;
    int32_t large_ = 1;
};

// A label (`lb...`, `Label...`): caption, look and an optional Click handler.
class LabelModel : public ControlBase {
  public:
    const QString &text() const { return text_; }
    int16_t effect() const { return effect_; }
    void setText(const QString &t) { assign(text_, t); }
    void setEffect(int16_t e) { assign(effect_, e); }
    // The user clicked the label.
    void click() { runHandler(onClick); }

    std::function<void()> onClick;

  private:
    QString text_;
    int16_t effect_ = EffectFlat;
};

// A toolbar button: key, tool tip and whether it is shown pressed.
class ToolButtonModel : public ControlBase {
  public:
    ToolButtonModel() = default;
    ToolButtonModel(const QString &key, const QString &tip) : key_(key) { setToolTip(tip); }
    const QString &key() const { return key_; }
    bool pressed() const { return pressed_; }
    void setPressed(bool on) { assign(pressed_, on); }
    void click() { runHandler(onClick); }

    std::function<void()> onClick;

  private:
    QString key_;
    bool pressed_ = false;
};

// A menu item or check box that mirrors a flag: checked state and handler.
class CheckModel : public ControlBase {
  public:
    bool checked() const { return checked_; }
    void setChecked(bool on) { assign(checked_, on); }
    void click() { runHandler(onClick); }

    std::function<void()> onClick;

  private:
    bool checked_ = false;
};

// A text box (`txt...`, `Text...`): its text, the Change handler for the user's edits and the
// Validate handler run when the focus leaves the box. Text written from code runs no handler,
// so filling the boxes from the settings does not act as typing.
// The first `n` UTF-16 units of `text` (as a text box counts its length), never ending inside a
// character of two units.
inline QString LeftOf(const QString &text, qsizetype n) {
    if (text.size() <= n) return text;
    if (n > 0 && text[n - 1].isHighSurrogate()) --n;
    return text.left(std::max<qsizetype>(n, 0));
}

class TextModel : public ControlBase {
  public:
    const QString &text() const { return text_; }
    void setText(const QString &t) { assign(text_, maxLength_ > 0 ? LeftOf(t, maxLength_) : t); }
    // The longest text the box takes (0: any); a longer text is cut to it.
    int maxLength() const { return maxLength_; }
    void setMaxLength(int n) {
        maxLength_ = n;
        setText(text_);
        notify();
    }
    // The user changed the text.
    void edit(const QString &t) {
        setText(t);
        runHandler(onChange);
    }
    // The focus left the box.
    void validate() { runHandler(onValidate); }

    std::function<void()> onChange;
    std::function<void()> onValidate;

  private:
    QString text_;
    int maxLength_ = 0;
};

} // namespace vrx
